#include "KeyJournal.h"

namespace sklad {

TKeyJournal::TKeyJournal(TDataTable& table, const TSystemList<TFieldDefinition>& fields)
    : FTable(table), FFields(fields) {}

TKeyJournal::~TKeyJournal() { Undo(); }

TCursorIndex& TKeyJournal::Index(int slot) {
  std::unique_ptr<TCursorIndex>& index = FIndexes[slot];
  if (!index) index = std::make_unique<TCursorIndex>(FTable, FFields, slot);
  return *index;
}

TKeyJournal::TKey TKeyJournal::BuildKey(int slot, const uint8_t* record) {
  TCursorIndex& index = Index(slot);
  TKey key(static_cast<size_t>(index.KeyLength()));
  index.Layout().BuildKey(record, key.data());
  return key;
}

bool TKeyJournal::Duplicate(int slot, const TKey& key) {
  TCursorIndex& index = Index(slot);
  // Every active record has its own identity: the record-state index is unique for them.
  const bool unique = index.Layout().Unique() || index.Layout().RecordStates();
  return unique && index.Tree().KeyExists(key.data(), index.KeyLength());
}

void TKeyJournal::Insert(int slot, const TKey& key, int32_t recordNumber) {
  Index(slot).Tree().InsertKey(key.data(), static_cast<uint32_t>(recordNumber));
  FEntries.push_back({slot, {}, key, recordNumber});
}

void TKeyJournal::Delete(int slot, const TKey& key, int32_t recordNumber) {
  Index(slot).Tree().DeleteKey(key.data());
  FEntries.push_back({slot, key, {}, recordNumber});
}

void TKeyJournal::Replace(int slot, const TKey& oldKey, const TKey& newKey, int32_t recordNumber) {
  Index(slot).Tree().ReplaceKey(oldKey.data(), newKey.data(), static_cast<uint32_t>(recordNumber));
  FEntries.push_back({slot, oldKey, newKey, recordNumber});
}

void TKeyJournal::Undo() noexcept {
  while (!FEntries.empty()) {
    const TEntry entry = std::move(FEntries.back());
    FEntries.pop_back();
    try {
      TIndexTree& tree = Index(entry.Slot).Tree();
      if (!entry.Inserted.empty()) tree.DeleteKey(entry.Inserted.data());
      if (!entry.Removed.empty()) tree.InsertKey(entry.Removed.data(), static_cast<uint32_t>(entry.RecordNumber));
    } catch (...) {
      // The error that made the change fail is the one the caller reports; an index that cannot
      // even be restored shows up as damaged at its next use.
    }
  }
}

}  // namespace sklad
