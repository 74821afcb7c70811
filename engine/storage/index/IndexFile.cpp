#include "IndexFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/storage/core/EngineError.h"
#include "IndexDefinitionRules.h"
#include "IndexKey.h"
#include "IndexReadRestart.h"
#include "engine/storage/data/Scrambler.h"

namespace sklad {
namespace {

constexpr const char* kRecordStateIndexName = "Sys Deleted";

TIndexDefinition RecordStateDefinition() {
  TIndexDefinition definition;
  definition.SetName(kRecordStateIndexName);
  definition.SetKeyLength(kRecordStateKeyLength);
  return definition;
}

}  // namespace

TIndexFile::TIndexFile(std::string fileName, bool inMemory, TDataFileOwner* owner)
    : TFileHandler(std::move(fileName), inMemory), FOwner(owner ? owner : &FStandaloneOwner) {}

TIndexFile::~TIndexFile() { Close(); }

void TIndexFile::RaiseCorruptPages() const { RaiseEngineError(err::IndexBuffersCorrupt, FileName()); }

void TIndexFile::RaiseCorruptHeader() const { RaiseEngineError(err::HeaderCorrupt, FileName()); }

void TIndexFile::Open() {
  if (IsOpen()) return;
  TFileHandler::Open();
  try {
    ReadHeader();
    if (FHeader.SecondaryCount() > TIndexFileHeader::kMaxSecondaryIndexes) RaiseCorruptHeader();
  } catch (...) {
    TFileHandler::Close();
    throw;
  }
}

void TIndexFile::Close() {
  if (IsOpen()) {
    DropPages(true);
    ShrinkCaches();
  }
  TFileHandler::Close();
}

void TIndexFile::Create() {
  DropPages(true);
  TFileHandler::CreateNew();
  FHeader.Clear();
  FHeader.SetVersion(TIndexFileHeader::kFormatVersion);
  FHeader.SetNextPageOffset(kPageSize);
  FHeader.SetDefinition(kSystemSlot, RecordStateDefinition());
  FHeader.SetModified(true);
}

void TIndexFile::ReadHeader() {
  ReadAt(0, FHeader.Bytes(), TIndexFileHeader::kSize);
  if (FEncrypted) Scramble(FHeader.Bytes(), TIndexFileHeader::kSize, kRecordScrambleSeed);
  FHeader.SetModified(false);
}

bool TIndexFile::HeaderChanged() {
  TIndexFileHeader onDisk;
  ReadAt(0, onDisk.Bytes(), TIndexFileHeader::kSize);
  if (FEncrypted) Scramble(onDisk.Bytes(), TIndexFileHeader::kSize, kRecordScrambleSeed);
  if (onDisk.ChangeCounter() == FHeader.ChangeCounter()) return false;
  FHeader = onDisk;
  FHeader.SetModified(false);
  return true;
}

void TIndexFile::StoreHeader(bool flush) {
  TIndexFileHeader stored = FHeader;
  if (FEncrypted) Scramble(stored.Bytes(), TIndexFileHeader::kSize, kRecordScrambleSeed);
  WriteAt(0, stored.Bytes(), TIndexFileHeader::kSize);
  if (FlushWanted(flush)) Flush();
  FOwner->MarkWrittenTo();
}

void TIndexFile::WriteHeader(bool force, bool flush) {
  if (!force && !FHeader.Modified()) return;
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  StoreHeader(flush);
  FHeader.SetModified(false);
}

void TIndexFile::MarkHeaderChanged() {
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  FHeader.SetModified(true);
  FOwner->MarkWrittenTo();
}

void TIndexFile::Empty() {
  DropPages(true);
  WriteAt(kPageSize, nullptr, 0);
  if (FOwner->ForceBufferFlush()) Flush();
  FHeader.SetVersion(TIndexFileHeader::kFormatVersion);
  FHeader.SetNextPageOffset(kPageSize);
  FHeader.SetRecordCount(0);
  for (int slot = 0; slot <= kSystemSlot; ++slot) {
    TIndexDefinition definition = FHeader.Definition(slot);
    definition.SetRoot(0);
    definition.SetFirstFreePage(0);
    FHeader.SetDefinition(slot, definition);
  }
  FHeader.SetModified(true);
}

void TIndexFile::AddPrimaryIndex(TIndexDefinition definition, const TSystemList<TFieldDefinition>& fields) {
  if (FHeader.Definition(kPrimarySlot).KeyLength() != 0) RaiseEngineError(err::PrimaryIndexExists, FileName());
  const int fieldCount = definition.ListedFieldCount();
  if (definition.FieldCount() > TIndexDefinition::kMaxKeyFields) RaiseEngineError(err::IndexLimits, FileName());
  if (fieldCount == 0) {
    FHeader.SetDefinition(kPrimarySlot, TIndexDefinition{});
    SetNoPrimaryKey(true);
    return;
  }
  definition.SetUnique(true);
  const int keyLength = CheckIndexKey(definition, fields, FileName(), kPrimaryIndexName);
  definition.SetName({});
  definition.SetFieldCount(static_cast<uint8_t>(fieldCount));
  definition.SetKeyLength(static_cast<uint16_t>(keyLength));
  definition.SetRoot(0);
  definition.SetFirstFreePage(0);
  FHeader.SetDefinition(kPrimarySlot, definition);
  SetNoPrimaryKey(false);
}

int TIndexFile::AddSecondaryIndex(TIndexDefinition definition, const TSystemList<TFieldDefinition>& fields) {
  const int count = FHeader.SecondaryCount();
  if (count >= TIndexFileHeader::kMaxSecondaryIndexes || definition.FieldCount() > TIndexDefinition::kMaxKeyFields)
    RaiseEngineError(err::IndexLimits, FileName());
  const std::string name = definition.Name();
  if (name.empty()) RaiseEngineError(err::IndexNameMissing, FileName());
  std::vector<std::string> earlierNames;
  for (int slot = 1; slot <= count; ++slot) earlierNames.push_back(FHeader.Definition(slot).Name());
  CheckSecondaryIndexName(name, earlierNames, FileName());
  const int keyLength = CheckIndexKey(definition, fields, FileName(), name);
  definition.SetFieldCount(static_cast<uint8_t>(definition.ListedFieldCount()));
  definition.SetKeyLength(static_cast<uint16_t>(keyLength));
  definition.SetRoot(0);
  definition.SetFirstFreePage(0);
  const int slot = count + 1;
  DropSlot(slot);
  FHeader.SetDefinition(slot, definition);
  FHeader.SetSecondaryCount(static_cast<uint8_t>(slot));
  FHeader.SetModified(true);
  return slot;
}

void TIndexFile::DeleteIndex(int slot) {
  if (slot == kPrimarySlot) {
    // The definition goes with the key, so that a primary index can be added again.
    FHeader.SetDefinition(kPrimarySlot, TIndexDefinition{});
    SetNoPrimaryKey(true);
    return;
  }
  const int count = FHeader.SecondaryCount();
  if (slot < 1 || slot > count) return;
  // The caches belong to slots, not to definitions: write what is modified and drop them all
  // before the definitions move, so that no page is cached under another index's slot.
  WriteModifiedPages();
  for (int i = slot; i <= count; ++i) DropSlot(i);
  const TIndexDefinition removed = FHeader.Definition(slot);
  for (int i = slot; i < count; ++i) FHeader.SetDefinition(i, FHeader.Definition(i + 1));
  FHeader.SetDefinition(count, removed);
  FHeader.SetSecondaryCount(static_cast<uint8_t>(count - 1));
  FHeader.SetModified(true);
}

void TIndexFile::UpdateIndexDefinition(int slot, const TIndexDefinition& from) {
  TIndexDefinition definition = FHeader.Definition(slot);
  definition.SetName(from.Name());
  for (int i = 0; i < TIndexDefinition::kMaxKeyFields; ++i) definition.SetFieldNumber(i, from.FieldNumber(i));
  FHeader.SetDefinition(slot, definition);
  FHeader.SetModified(true);
}

void TIndexFile::SetNoPrimaryKey(bool value) {
  FHeader.SetNoPrimaryKey(value);
  FHeader.SetModified(true);
}

void TIndexFile::SetRecordCount(int32_t count) {
  FHeader.SetRecordCount(count);
  FHeader.SetModified(true);
}

void TIndexFile::SetRoot(int slot, uint32_t offset) {
  TIndexDefinition definition = FHeader.Definition(slot);
  definition.SetRoot(offset);
  FHeader.SetDefinition(slot, definition);
  FHeader.SetModified(true);
}

void TIndexFile::ConfigurePage(TPage& page, int slot) const {
  const TIndexDefinition definition = FHeader.Definition(slot);
  if (definition.KeyLength() < 1 || definition.KeyLength() > kMaxKeyLength ||
      definition.CompressionCode() > static_cast<uint8_t>(TKeyCompression::Full) ||
      (!definition.Unique() && definition.KeyLength() <= TIndexDefinition::kIdentitySize))
    RaiseCorruptPages();
  page.Configure(slot, definition.KeyLength(), definition.Unique(), definition.Compression());
}

TPage* TIndexFile::MakeCacheEntry(int slot) {
  TIndexPageCache& cache = FCaches[slot];
  if (cache.Full()) {
    TPage* reused = cache.LeastRecentClean();
    if (reused == nullptr && !FOwner->InTransaction()) {
      WriteModifiedPages();
      reused = cache.LeastRecentClean();
    }
    if (reused != nullptr) {
      cache.Remove(reused);
      return reused;
    }
    if (!FOwner->InTransaction()) RaiseCorruptPages();
    cache.Grow();
  }
  return FPool.Take();
}

void TIndexFile::ReadLockBeforeMiss() {
  if (FOwner->StrictChangeDetection()) return;
  if (FOwner->BeginCacheMissRead()) throw EIndexReadRestart{};
}

TPage* TIndexFile::GetPage(int slot, uint32_t offset, bool fresh) {
  if (offset < kPageSize || offset % kPageSize != 0 || offset >= FHeader.NextPageOffset()) RaiseCorruptPages();
  if (TPage* cached = FCaches[slot].Find(offset)) {
    ++cached->Pins;
    return cached;
  }
  ReadLockBeforeMiss();
  uint8_t* const buffer = FReadBuffer.data();
  const bool shortReadAllowed = FOwner->WrittenTo() && (FOwner->Exclusive() || FOwner->InTransaction());
  const int32_t read = ReadAt(offset, buffer, kPageSize, shortReadAllowed);
  std::fill(buffer + read, buffer + kPageSize, uint8_t{0});
  if (FEncrypted) Scramble(buffer, kPageSize, kRecordScrambleSeed);
  TPage* page = MakeCacheEntry(slot);
  try {
    ConfigurePage(*page, slot);
    if (!page->Unpack(buffer, fresh)) RaiseCorruptPages();
  } catch (...) {
    FPool.Return(page);
    throw;
  }
  page->Offset = offset;
  page->Modified = false;
  page->Pins = 1;
  FCaches[slot].Add(page);
  return page;
}

void TIndexFile::ReleasePage(TPage* page) {
  if (page != nullptr && page->Pins > 0) --page->Pins;
}

TPage* TIndexFile::NewPage(int slot) {
  TIndexDefinition definition = FHeader.Definition(slot);
  const uint32_t firstFree = definition.FirstFreePage();
  TPage* page;
  if (firstFree != 0) {
    page = GetPage(slot, firstFree, true);
    // A free page still in use (pinned, or cached with entries) or linking to itself is a
    // damaged free list.
    if (page->Next == firstFree || page->Pins > 1 || (!page->Freed && page->Count() > 0)) {
      ReleasePage(page);
      RaiseCorruptPages();
    }
    definition.SetFirstFreePage(page->Next);
    FHeader.SetDefinition(slot, definition);
    page->Configure(slot, definition.KeyLength(), definition.Unique(), definition.Compression());
  } else {
    const uint32_t offset = FHeader.NextPageOffset();
    if (offset > kLastPageOffset) RaiseEngineError(err::TableFull, FileName());
    page = MakeCacheEntry(slot);
    try {
      ConfigurePage(*page, slot);
    } catch (...) {
      FPool.Return(page);
      throw;
    }
    page->Offset = offset;
    page->Pins = 1;
    FCaches[slot].Add(page);
    FHeader.SetNextPageOffset(offset + kPageSize);
  }
  page->Clear();
  page->Modified = true;
  FHeader.SetModified(true);
  return page;
}

void TIndexFile::FreePage(TPage* page) {
  TIndexDefinition definition = FHeader.Definition(page->Slot());
  page->Configure(page->Slot(), page->KeyLength(), definition.Unique(), definition.Compression());
  page->Next = definition.FirstFreePage();
  page->Freed = true;
  page->Modified = true;
  definition.SetFirstFreePage(page->Offset);
  FHeader.SetDefinition(page->Slot(), definition);
  FHeader.SetModified(true);
}

void TIndexFile::WriteModifiedPages(bool flush) {
  TSystemList<TPage*> pages;
  for (TIndexPageCache& cache : FCaches)
    for (TPage* page : cache.Pages())
      if (page->Modified && page->Pins == 0) pages.Add(page);
  if (pages.Count() == 0) return;
  pages.Sort([](TPage* a, TPage* b) { return a->Offset < b->Offset ? -1 : a->Offset > b->Offset ? 1 : 0; });
  std::vector<uint8_t>& run = FWriteBuffer;
  int first = 0;
  while (first < pages.Count()) {
    int last = first;
    while (last + 1 < pages.Count() && pages[last + 1]->Offset == pages[last]->Offset + kPageSize) ++last;
    run.resize(static_cast<size_t>(last - first + 1) * kPageSize);
    for (int i = first; i <= last; ++i) {
      uint8_t* at = run.data() + static_cast<size_t>(i - first) * kPageSize;
      if (!pages[i]->Pack(at)) RaiseCorruptPages();
      if (FEncrypted) Scramble(at, kPageSize, kRecordScrambleSeed);
    }
    WriteAt(pages[first]->Offset, run.data(), static_cast<int32_t>(run.size()));
    for (int i = first; i <= last; ++i) pages[i]->Modified = false;
    first = last + 1;
  }
  if (FlushWanted(flush)) Flush();
  FOwner->MarkWrittenTo();
}

void TIndexFile::DropSlot(int slot) {
  TIndexPageCache& cache = FCaches[slot];
  while (cache.Pages().Count() > 0) {
    TPage* page = cache.Pages()[cache.Pages().Count() - 1];
    cache.Remove(page);
    FPool.Return(page);
  }
}

void TIndexFile::DropPages(bool recordStatesToo) {
  for (int slot = 0; slot < kSlotCount; ++slot)
    if (slot != kSystemSlot || recordStatesToo) DropSlot(slot);
}

void TIndexFile::ShrinkCaches() {
  for (TIndexPageCache& cache : FCaches) {
    while (cache.Pages().Count() > TIndexPageCache::kNormalCapacity) {
      TPage* page = cache.LeastRecentClean();
      if (page == nullptr) break;
      cache.Remove(page);
      FPool.Return(page);
    }
    cache.ResetCapacity();
  }
}

}  // namespace sklad
