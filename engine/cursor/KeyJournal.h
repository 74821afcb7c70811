// TKeyJournal: the indexes of a table as one record change uses them, and the keys that change
// has inserted, deleted or replaced so far, so that a change failing half-way takes them back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "CursorIndex.h"

namespace sklad {

class TKeyJournal {
 public:
  using TKey = std::vector<uint8_t>;

  TKeyJournal(TDataTable& table, const TSystemList<TFieldDefinition>& fields);
  // Undoes whatever was not kept.
  ~TKeyJournal();
  TKeyJournal(const TKeyJournal&) = delete;
  TKeyJournal& operator=(const TKeyJournal&) = delete;

  // The index of a slot (kRecordStateSlot included), made on first use.
  TCursorIndex& Index(int slot);
  TKey BuildKey(int slot, const uint8_t* record);
  // Whether a unique index (or the record-state index) already holds the key; a non-unique index
  // never does.
  bool Duplicate(int slot, const TKey& key);

  void Insert(int slot, const TKey& key, int32_t recordNumber);
  void Delete(int slot, const TKey& key, int32_t recordNumber);
  void Replace(int slot, const TKey& oldKey, const TKey& newKey, int32_t recordNumber);

  // The change went through: nothing is undone any more.
  void Keep() { FEntries.clear(); }
  // Takes back every journalled change, newest first.
  void Undo() noexcept;

 private:
  struct TEntry {
    int Slot;
    TKey Removed;   // empty when nothing was removed
    TKey Inserted;  // empty when nothing was inserted
    int32_t RecordNumber;
  };

  TDataTable& FTable;
  const TSystemList<TFieldDefinition>& FFields;
  std::map<int, std::unique_ptr<TCursorIndex>> FIndexes;
  std::vector<TEntry> FEntries;
};

}  // namespace sklad
