// TIndexFile: the index file of a table (".IDX"): the 4,096-byte header with the index
// definitions, and the index pages behind it through one page cache per index slot with the
// slot's free-page list. Modified pages are written sorted by offset, consecutive pages in one
// write. The tree operations on the pages are TIndexTree's.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/data/DataFileOwner.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/file/FileHandler.h"
#include "IndexDefinition.h"
#include "IndexFileHeader.h"
#include "IndexPageCache.h"
#include "PageStack.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TIndexFile : public TFileHandler {
 public:
  static constexpr int kPrimarySlot = 0;
  static constexpr int kSystemSlot = 31;
  static constexpr uint32_t kPageSize = 4096;
  // Appending beyond this offset fails: the table is full.
  static constexpr uint32_t kLastPageOffset = 2000000000;

  // Without an owner the file behaves as one of a table open exclusively.
  TIndexFile(std::string fileName, bool inMemory, TDataFileOwner* owner = nullptr);
  ~TIndexFile() override;

  // Opens the file and reads the header; more than 30 secondary indexes raise 8961. On failure
  // the file is closed again.
  void Open() override;
  // Drops every cached page (unwritten changes are lost) and closes.
  void Close() override;
  // A new file with an empty header holding only the record-state index; written by the first
  // header write.
  void Create();
  // Pages and headers of encrypted tables are stored scrambled.
  void SetEncrypted(bool encrypted) { FEncrypted = encrypted; }

  void ReadHeader();
  bool HeaderChanged();
  void WriteHeader(bool force, bool flush = false);
  void MarkHeaderChanged();
  void MarkHeaderModified() { FHeader.SetModified(true); }
  // Cuts the file after its header; every index becomes empty.
  void Empty();

  // Takes a definition for slot 0: with no key fields the table gets no primary key.
  void AddPrimaryIndex(TIndexDefinition definition, const TSystemList<TFieldDefinition>& fields);
  // Takes a definition into the next secondary slot and answers the slot.
  int AddSecondaryIndex(TIndexDefinition definition, const TSystemList<TFieldDefinition>& fields);
  // Slot 0 loses its key and definition; a secondary slot is removed and the later ones move
  // down. The pages of the removed index are not freed: the caller frees them first.
  void DeleteIndex(int slot);
  // Takes the name and key field numbers of a definition.
  void UpdateIndexDefinition(int slot, const TIndexDefinition& definition);

  TIndexDefinition Definition(int slot) const { return FHeader.Definition(slot); }
  int SecondaryCount() const { return FHeader.SecondaryCount(); }
  bool NoPrimaryKey() const { return FHeader.NoPrimaryKey(); }
  void SetNoPrimaryKey(bool value);
  int32_t RecordCount() const { return FHeader.RecordCount(); }
  void SetRecordCount(int32_t count);
  void IncrementRecordCount() { SetRecordCount(RecordCount() + 1); }
  void DecrementRecordCount() { SetRecordCount(RecordCount() - 1); }
  uint32_t Root(int slot) const { return FHeader.Definition(slot).Root(); }
  void SetRoot(int slot, uint32_t offset);
  uint32_t NextPageOffset() const { return FHeader.NextPageOffset(); }
  const TIndexFileHeader& Header() const { return FHeader; }

  // The page at that offset of the slot's index, pinned. Offsets outside the file raise 8965. A
  // cache miss first takes the table's read lock; when that finds another user's change the
  // caches are gone and EIndexReadRestart is raised. A fresh page is not read: it starts empty.
  TPage* GetPage(int slot, uint32_t offset, bool fresh = false);
  void ReleasePage(TPage* page);
  // A pinned, cleared page: the slot's first free page, or a page appended to the file.
  TPage* NewPage(int slot);
  // Puts the page on the slot's free list; it is written as an empty page.
  void FreePage(TPage* page);

  void WriteModifiedPages(bool flush = false);
  // Every cached page goes back to the pool, unwritten changes included; the record-state
  // index's pages only when asked.
  void DropPages(bool recordStatesToo = true);
  void ShrinkCaches();

  // The check of a table's first use: version, definitions against the table's fields, page
  // offsets against the file.
  void CheckHeader(const TSystemList<TFieldDefinition>& fields);
  // Before a write: a file shorter than the pages its header announces raises 8965.
  void CheckPagesBeforeWrite();

 private:
  static constexpr int kSlotCount = TIndexFileHeader::kSlotCount;

  [[noreturn]] void RaiseCorruptPages() const;
  [[noreturn]] void RaiseCorruptHeader() const;
  // The slot's key length, checked before a page buffer is sized by it.
  void ConfigurePage(TPage& page, int slot) const;
  // A page object for the slot's cache, reusing the least recently used clean page when full.
  TPage* MakeCacheEntry(int slot);
  // The hook of a cache miss: the table's read lock, which may report another user's change.
  void ReadLockBeforeMiss();
  void DropSlot(int slot);
  void StoreHeader(bool flush);
  bool FlushWanted(bool flush) const { return flush || FOwner->ForceBufferFlush(); }

  TStandaloneDataFileOwner FStandaloneOwner;
  TDataFileOwner* FOwner;
  TIndexFileHeader FHeader;
  bool FEncrypted = false;
  std::array<TIndexPageCache, kSlotCount> FCaches;
  TPageStack FPool;
  std::vector<uint8_t> FReadBuffer = std::vector<uint8_t>(kPageSize);
  std::vector<uint8_t> FWriteBuffer;  // runs of consecutive pages
};

}  // namespace sklad
