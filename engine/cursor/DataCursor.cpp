#include "DataCursor.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/DataDirectory.h"
#include "engine/storage/DataSession.h"
#include "engine/storage/DataTable.h"
#include "engine/storage/EngineError.h"
#include "engine/storage/IndexReadRestart.h"
#include "engine/storage/LittleEndian.h"

namespace sklad {
namespace {

std::string DataFileName(std::string_view name) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  const auto dot = name.rfind('.');
  const auto slash = name.find_last_of("/\\");
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    std::string extension(name.substr(dot));
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (extension == ".DAT") return std::string(name);
    name = name.substr(0, dot);
  }
  return std::string(name) + ".DAT";
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

template <class TBody>
auto TDataCursor::Reading(TBody&& body) {
  BeginRead();
  struct TEnd {
    TDataCursor* Cursor;
    ~TEnd() { Cursor->EndRead(); }
  } end{this};
  for (;;) {
    try {
      return body();
    } catch (const EIndexReadRestart&) {
      // Only the outermost operation starts again, from a resynchronised cursor.
      if (FReadDepth > 1) throw;
      TableChanged();
      Resynchronise();
    }
  }
}

TDataCursor::TDataCursor(TDataDirectory& directory) : FDirectory(directory) {
  TRecordsBitmapStack& pool = TRecordsBitmapStack::Instance();
  FVisibleBitmap = pool.Acquire();
  FRangeBitmap = pool.Acquire();
  FLiveBitmap = pool.Acquire();
}

TDataCursor::~TDataCursor() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the table object reports its own failures on its close.
  }
  TRecordsBitmapStack& pool = TRecordsBitmapStack::Instance();
  pool.Release(FVisibleBitmap);
  pool.Release(FRangeBitmap);
  pool.Release(FLiveBitmap);
}

void TDataCursor::CheckClosed() const {
  if (FActive) RaiseEngineError(err::TableInUse, FTableName);
}

void TDataCursor::SetTableName(std::string_view name) {
  const std::string stored = DataFileName(name);
  if (stored == FTableName) return;
  CheckClosed();
  FTableName = stored;
}

void TDataCursor::SetExclusive(bool value) {
  CheckClosed();
  FExclusive = value;
}

void TDataCursor::SetAllowSharedExclusive(bool value) {
  CheckClosed();
  FAllowSharedExclusive = value;
}

void TDataCursor::SetReadOnly(bool value) {
  CheckClosed();
  FReadOnly = value;
}

void TDataCursor::SetInMemory(bool value) {
  CheckClosed();
  FInMemory = value;
}

void TDataCursor::SetSourceMode(bool value) {
  CheckClosed();
  FSourceMode = value;
}

// ---- Opening and closing ----

void TDataCursor::Open() {
  if (FActive) return;
  TTableOpenOptions options;
  options.Exclusive = FExclusive;
  options.ReadOnly = FReadOnly;
  FTable = FDirectory.OpenTable(FTableName, FInMemory, options, FAllowSharedExclusive);
  FTableReadOnly = FTable->FilesReadOnly();
  if (FTableReadOnly) FReadOnly = true;
  FActive = true;
  try {
    if (!FTable->PasswordAvailable()) RaiseEngineError(err::PasswordRequired, FTableName);
    LoadFieldDefinitions();
    SnapshotCounters();
    FCurrentRecord.assign(static_cast<size_t>(FRecordSize), 0);
    FPosition = 1;
    FRangeStart = 1;
    FRangeEnd = FTable->Data().RecordCount();
    FBitmapNavigation = false;
    FVisibleCount = 0;
    FAtEnd = FAtBeginning = false;
    SwitchIndex(FSourceMode ? kNaturalOrder : 0);
    RecountBody();
    First();
  } catch (...) {
    Close();
    throw;
  }
}

void TDataCursor::LoadFieldDefinitions() {
  TDataFile& data = FTable->Data();
  FFields.Clear();
  for (int i = 0; i < data.FieldCount(); ++i) FFields.Add(data.Field(i));
  FRecordSize = data.RecordSize();
}

void TDataCursor::SnapshotCounters() {
  FDataChangeCount = FTable->Data().Header().ChangeCounter();
  FIndexChangeCount = FTable->Index().Header().ChangeCounter();
  FBlobChangeCount = FTable->HasBlobFile() ? FTable->Blob().Header().ChangeCounter() : 0;
}

void TDataCursor::Close() {
  if (!FActive) return;
  FBitmapNavigation = false;
  FVisibleBitmap->SetSize(0);
  FRangeBitmap->SetSize(0);
  FLiveBitmap->SetSize(0);
  FIndex.reset();
  FCurrentRecord.clear();
  FCurrentKey.clear();
  FCurrentEntry = {};
  FPosition = FRecordNumber = 0;
  FRangeStart = FRangeEnd = FVisibleCount = 0;
  FAtEnd = FAtBeginning = false;
  FFields.Clear();
  FRecordSize = 0;
  FIndexNumber = kNaturalOrder;
  FIndexName.clear();
  FReadDepth = 0;
  TDataTable* table = FTable;
  FTable = nullptr;
  FActive = false;
  FDirectory.CloseTable(table);
}

// ---- Index selection ----

bool TDataCursor::NaturalOrder() const {
  return FIndexNumber == kNaturalOrder || (FIndexNumber == 0 && FTable->Index().NoPrimaryKey());
}

void TDataCursor::SwitchIndex(int number) {
  FIndexNumber = number;
  FIndex.reset();
  FIndexName.clear();
  if (number != kNaturalOrder) {
    FIndexName = FTable->Index().Definition(number).Name();
    if (!NaturalOrder()) FIndex = std::make_unique<TCursorIndex>(*FTable, FFields, number);
  }
  FCurrentKey.assign(FIndex ? static_cast<size_t>(FIndex->KeyLength()) : 0, 0);
  FCurrentEntry = {};
  FBitmapNavigation = NaturalOrder();
  if (!FBitmapNavigation) {
    FVisibleBitmap->SetSize(0);
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
  }
}

void TDataCursor::SelectIndex(int number) {
  if (number == FIndexNumber) return;
  const bool known = number == kNaturalOrder || (number >= 0 && number <= FTable->Index().SecondaryCount());
  if (!known) RaiseEngineError(err::InvalidIndexName, FTableName, {}, std::to_string(number));
  Reading([&] {
    // The record to find again in the new order: the one the cursor stands on, when any.
    const bool onRecord = FRecordNumber != 0 && !(FAtBeginning && FAtEnd);
    const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
    SwitchIndex(number);
    RecountBody();
    if (!onRecord) {
      GotoFirstVisible();
      if (FRecordNumber != 0) FAtBeginning = true;
    } else if (NaturalOrder()) {
      SnapToVisible();
      FPosition = FVisibleBitmap->Rank(FRecordNumber) + 1;
    } else {
      std::vector<uint8_t> key(FCurrentKey.size());
      FIndex->Layout().BuildKey(FCurrentRecord.data(), key.data());
      GotoBookmarkBody(key.data(), true);
    }
    if (onRecord && FRecordNumber != 0) {
      FAtBeginning = atBeginning;
      FAtEnd = atEnd;
    }
    LoadCurrentRecord(1);
    return 0;
  });
}

void TDataCursor::SelectIndexByName(std::string_view name) {
  if (SameIgnoringCase(name, FIndexName)) return;
  for (int slot = 0; slot <= FTable->Index().SecondaryCount(); ++slot) {
    if (SameIgnoringCase(name, FTable->Index().Definition(slot).Name())) {
      SelectIndex(slot);
      return;
    }
  }
  RaiseEngineError(err::InvalidIndexName, FTableName, {}, name);
}

// ---- Synchronisation ----

void TDataCursor::BeginRead() {
  if (++FReadDepth > 1) return;
  try {
    if (FTable->StrictChangeDetection()) {
      const bool changed = FTable->BeginRead();
      if (TableChanged() || changed) Resynchronise();
    } else if (!FExclusive && !FTableReadOnly && TableChanged()) {
      Resynchronise();
    }
  } catch (...) {
    EndRead();
    throw;
  }
}

void TDataCursor::EndRead() {
  if (FReadDepth == 0 || --FReadDepth > 0) return;
  if (FTable != nullptr && FTable->HoldsReadLock()) FTable->EndRead();
}

bool TDataCursor::TableChanged() {
  if ((FExclusive && !FAllowSharedExclusive) || FTableReadOnly) return false;
  const int32_t data = FDataChangeCount, index = FIndexChangeCount, blob = FBlobChangeCount;
  SnapshotCounters();
  return data != FDataChangeCount || index != FIndexChangeCount || blob != FBlobChangeCount;
}

void TDataCursor::Resynchronise() {
  const bool noRecord = FAtBeginning && FAtEnd;
  const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
  std::vector<uint8_t> bookmark(static_cast<size_t>(BookmarkSize()));
  GetBookmark(bookmark.data());
  RecountBody();
  if (noRecord) {
    // Nothing was visible: stand before whatever is visible now.
    GotoFirstVisible();
    if (FRecordNumber != 0) FAtBeginning = true;
    return;
  }
  GotoBookmarkBody(bookmark.data(), true);
  // A cursor on a crack stays on it: the next read must not skip the record next to it.
  if (FRecordNumber != 0 && (atBeginning || atEnd)) {
    FAtBeginning = atBeginning;
    FAtEnd = atEnd;
  }
}

void TDataCursor::Refresh() {
  ++FReadDepth;
  struct TEnd {
    TDataCursor* Cursor;
    ~TEnd() { Cursor->EndRead(); }
  } end{this};
  FTable->BeginRead();
  TableChanged();
  Resynchronise();
  LoadCurrentRecord(1);
}

// ---- Bitmaps and counts ----

int32_t TDataCursor::HighestRecordNumber() const { return FTable->Data().RecordCount(); }

void TDataCursor::Recount() {
  Reading([&] {
    RecountBody();
    return 0;
  });
}

void TDataCursor::RecountBody() {
  FRangeStart = 1;
  FRangeEnd = FIndex ? static_cast<int32_t>(FIndex->Tree().KeyCount()) : FTable->Data().RecordCount();
  if (NaturalOrder() || FBitmapNavigation) {
    RebuildBitmaps();
    CombineBitmaps();
  }
}

void TDataCursor::RebuildBitmaps() {
  if (FBuildingBitmaps || !FBitmapNavigation) return;
  FBuildingBitmaps = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{FBuildingBitmaps};
  const int32_t highest = HighestRecordNumber();
  FVisibleBitmap->SetSize(std::max(highest, 0));
  if (highest < 1) {
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
    return;
  }
  FRangeBitmap->SetSize(0);
  BuildLiveBitmap();
}

void TDataCursor::BuildLiveBitmap() {
  FLiveBitmap->SetSize(FVisibleBitmap->Size());
  FLiveBitmap->ClearAll();
  // The record-state keys of deleted slots run from state 1 with the lowest auto-increment
  // segment to state 1 with the highest; every other record number is live.
  TCursorIndex states(*FTable, FFields, kRecordStateSlot);
  uint8_t low[kRecordStateKeyLength] = {1, 0, 0, 0, 0};
  uint8_t high[kRecordStateKeyLength] = {1, 255, 255, 255, 255};
  TIndexTree& tree = states.Tree();
  if (!tree.Empty()) {
    const uint32_t deleted = tree.CountInRange(low, high, kRecordStateKeyLength);
    const uint32_t first = deleted == 0 ? 0 : tree.FirstNotBelow(low, kRecordStateKeyLength).Ordinal;
    for (uint32_t i = 0; i < deleted; ++i) {
      const TKeyLocation entry = tree.KeyAt(first + i);
      if (entry.Ordinal == 0) RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
      FLiveBitmap->SetBit(static_cast<int32_t>(entry.RecordNumber));
    }
  }
  FLiveBitmap->Invert();
}

void TDataCursor::CombineBitmaps() {
  if (FBuildingBitmaps || !FBitmapNavigation) return;
  if (FVisibleBitmap->Size() == 0) {
    FVisibleCount = 0;
    return;
  }
  FVisibleBitmap->Assign(*FLiveBitmap);
  if (FRangeBitmap->Size() > 0) FVisibleBitmap->AndWith(*FRangeBitmap);
  FVisibleCount = FVisibleBitmap->Count();
}

int32_t TDataCursor::GetRecordCount() {
  return Reading([&] {
    if (FBitmapNavigation) return FVisibleCount;
    if (FRangeStart <= 0 || FRangeEnd <= 0) return int32_t{0};
    return FRangeEnd - FRangeStart + 1;
  });
}

int32_t TDataCursor::GetRecordNumber() const {
  if (NaturalOrder()) return FPosition;
  return FPosition <= 0 ? 0 : FPosition - FRangeStart + 1;
}

// ---- Positioning ----

void TDataCursor::SetNoRecord() {
  FPosition = 0;
  FRecordNumber = 0;
  FAtBeginning = FAtEnd = true;
  std::fill(FCurrentKey.begin(), FCurrentKey.end(), 0);
  FCurrentEntry = {};
}

void TDataCursor::PlaceAtOrdinal(uint32_t ordinal) {
  const TKeyLocation entry = FIndex->Tree().KeyAt(ordinal, FCurrentKey.data());
  // The range ordinals promised this key.
  if (entry.Ordinal == 0) RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
  FCurrentEntry = entry;
  FPosition = static_cast<int32_t>(ordinal);
  FRecordNumber = static_cast<int32_t>(entry.RecordNumber);
}

void TDataCursor::GotoFirstVisible() {
  const int32_t count = FBitmapNavigation ? FVisibleCount : (FRangeStart <= 0 || FRangeEnd < FRangeStart ? 0 : 1);
  if (count == 0) {
    SetNoRecord();
    return;
  }
  FAtBeginning = FAtEnd = false;
  if (NaturalOrder()) {
    FRecordNumber = 0;
    FPosition = 0;
    FVisibleBitmap->NextSetBits(FRecordNumber, 1, FPosition);
  } else {
    PlaceAtOrdinal(static_cast<uint32_t>(FRangeStart));
  }
}

void TDataCursor::GotoLastVisible() {
  const int32_t count = FBitmapNavigation ? FVisibleCount : (FRangeStart <= 0 || FRangeEnd < FRangeStart ? 0 : 1);
  if (count == 0) {
    SetNoRecord();
    return;
  }
  FAtBeginning = FAtEnd = false;
  if (NaturalOrder()) {
    FRecordNumber = HighestRecordNumber() + 1;
    FPosition = FVisibleCount + 1;
    FVisibleBitmap->PriorSetBits(FRecordNumber, 1, FPosition);
  } else {
    PlaceAtOrdinal(static_cast<uint32_t>(FRangeEnd));
  }
}

void TDataCursor::MoveBy(int32_t n) {
  Reading([&] {
    MoveByBody(n);
    return 0;
  });
}

void TDataCursor::MoveByBody(int32_t n) {
  if (n == 0) return;
  if (NaturalOrder()) {
    if (FVisibleCount == 0) {
      SetNoRecord();
      return;
    }
    const int32_t steps = n > 0 ? n : -n;
    if (n > 0 ? FVisibleBitmap->NextSetBits(FRecordNumber, steps, FPosition)
              : FVisibleBitmap->PriorSetBits(FRecordNumber, steps, FPosition)) {
      // A step away from a crack leaves it, as in index order.
      (n > 0 ? FAtBeginning : FAtEnd) = false;
      return;
    }
    FAtEnd = n > 0;
    FAtBeginning = n < 0;
    return;
  }
  if (FRangeStart <= 0 || FRangeEnd < FRangeStart) {
    SetNoRecord();
    return;
  }
  // Without filters every key of the range is visible: the move is a jump between ordinals.
  const int64_t target = int64_t{FPosition} + n;
  if (target > FRangeEnd) {
    PlaceAtOrdinal(static_cast<uint32_t>(FRangeEnd));
    FAtEnd = true;
    FAtBeginning = false;
  } else if (target < FRangeStart) {
    PlaceAtOrdinal(static_cast<uint32_t>(FRangeStart));
    FAtBeginning = true;
    FAtEnd = false;
  } else {
    PlaceAtOrdinal(static_cast<uint32_t>(target));
    if (n > 0) FAtBeginning = false;
    if (n < 0) FAtEnd = false;
  }
}

void TDataCursor::First() {
  Reading([&] {
    GotoFirstVisible();
    MoveByBody(-1);
    LoadCurrentRecord(1);
    return 0;
  });
}

void TDataCursor::Last() {
  Reading([&] {
    GotoLastVisible();
    MoveByBody(1);
    LoadCurrentRecord(2);
    return 0;
  });
}

int TDataCursor::ReadNext(uint8_t* buffer) { return ReadStep(buffer, 1); }

int TDataCursor::ReadPrior(uint8_t* buffer) { return ReadStep(buffer, 2); }

int TDataCursor::ReadStep(uint8_t* buffer, int direction) {
  return Reading([&] {
    const bool forward = direction == 1;
    if (forward ? FAtBeginning : FAtEnd) {
      forward ? GotoFirstVisible() : GotoLastVisible();
    } else {
      MoveByBody(forward ? 1 : -1);
    }
    if (forward ? FAtEnd : FAtBeginning) {
      CopyCurrent(buffer, false);
      return forward ? cursor_status::EndOfFile : cursor_status::BeginningOfFile;
    }
    LoadCurrentRecord(direction);
    CopyCurrent(buffer, true);
    return cursor_status::Ok;
  });
}

void TDataCursor::GotoRecordNumber(int32_t n) {
  Reading([&] {
    if (NaturalOrder()) {
      if (FVisibleCount == 0) {
        SetNoRecord();
      } else {
        FAtBeginning = FAtEnd = false;
        FRecordNumber = 0;
        FPosition = 0;
        if (!FVisibleBitmap->NextSetBits(FRecordNumber, std::max(n, 1), FPosition)) FAtEnd = true;
      }
    } else {
      GotoFirstVisible();
      if (FRecordNumber != 0 && n < 1) {
        FAtBeginning = true;
      } else if (FRecordNumber != 0) {
        const int64_t ordinal = int64_t{FRangeStart} + std::max(n, 1) - 1;
        if (ordinal > FRangeEnd) {
          PlaceAtOrdinal(static_cast<uint32_t>(FRangeEnd));
          FAtEnd = true;
        } else {
          PlaceAtOrdinal(static_cast<uint32_t>(ordinal));
        }
      }
    }
    LoadCurrentRecord(1);
    return 0;
  });
}

void TDataCursor::GotoNaturalRecord(int32_t recordNumber) {
  if (recordNumber == 0) return;
  FAtBeginning = FAtEnd = false;
  FRecordNumber = std::clamp(recordNumber, 1, std::max(HighestRecordNumber(), 1));
  SnapToVisible();
  if (FRecordNumber != 0) FPosition = FVisibleBitmap->Rank(FRecordNumber) + 1;
}

void TDataCursor::SnapToVisible() {
  if (FVisibleCount == 0) {
    SetNoRecord();
    return;
  }
  if (FVisibleBitmap->Test(FRecordNumber)) return;
  int32_t ordinal = 0;
  int32_t pos = FRecordNumber;
  if (FVisibleBitmap->NextSetBits(pos, 1, ordinal)) {
    FRecordNumber = pos;
    return;
  }
  pos = FRecordNumber;
  if (FVisibleBitmap->PriorSetBits(pos, 1, ordinal)) {
    FRecordNumber = pos;
    return;
  }
  SetNoRecord();
}

// ---- Bookmarks ----

int TDataCursor::BookmarkSize() const { return NaturalOrder() ? 4 : static_cast<int>(FCurrentKey.size()); }

void TDataCursor::GetBookmark(uint8_t* dest) const {
  if (NaturalOrder()) {
    StoreLE(dest, FRecordNumber);
  } else {
    std::copy(FCurrentKey.begin(), FCurrentKey.end(), dest);
  }
}

bool TDataCursor::GotoBookmark(const uint8_t* bookmark, bool acceptNearest, bool noBeginRead) {
  auto body = [&] {
    const bool found = GotoBookmarkBody(bookmark, acceptNearest);
    LoadCurrentRecord(1);
    return found;
  };
  if (noBeginRead) return body();
  return Reading(body);
}

bool TDataCursor::GotoBookmarkBody(const uint8_t* bookmark, bool acceptNearest) {
  if (NaturalOrder()) {
    GotoNaturalRecord(LoadLE<int32_t>(bookmark));
  } else if (FRangeStart <= 0 || FRangeEnd < FRangeStart) {
    SetNoRecord();
  } else {
    const TKeyLocation nearest = FIndex->Tree().FirstNotBelow(bookmark, FIndex->KeyLength());
    FAtBeginning = FAtEnd = false;
    if (nearest.Ordinal == 0 || nearest.Ordinal > static_cast<uint32_t>(FRangeEnd)) {
      PlaceAtOrdinal(static_cast<uint32_t>(FRangeEnd));
      FAtEnd = true;
    } else {
      PlaceAtOrdinal(std::max(nearest.Ordinal, static_cast<uint32_t>(FRangeStart)));
    }
  }
  if (FAtBeginning && FAtEnd) return false;
  if (acceptNearest) return true;
  std::vector<uint8_t> reached(static_cast<size_t>(BookmarkSize()));
  GetBookmark(reached.data());
  return !FAtEnd && CompareBookmarks(reached.data(), bookmark) == 0;
}

int TDataCursor::CompareBookmarks(const uint8_t* a, const uint8_t* b) const {
  if (NaturalOrder()) {
    const int32_t x = LoadLE<int32_t>(a), y = LoadLE<int32_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const int sign = FIndex->Order().Compare(a, b, FIndex->KeyLength());
  return sign < 0 ? -1 : (sign > 0 ? 1 : 0);
}

// ---- Record access ----

int32_t TDataCursor::CountConsecutive(int32_t count, int direction) {
  if (count <= 1) return 1;
  if (!NaturalOrder()) {
    return 1 + FIndex->Tree().ConsecutiveRun(FCurrentEntry, direction == 1 ? 1 : -1, count - 1);
  }
  int32_t run = 1;
  for (int32_t r = FRecordNumber; run < count; ++run) {
    r += direction == 1 ? 1 : -1;
    if (!FVisibleBitmap->Test(r)) break;
  }
  return run;
}

void TDataCursor::LoadCurrentRecord(int direction) {
  FCurrentRecord.assign(static_cast<size_t>(FRecordSize), 0);
  if (FRecordNumber == 0) return;
  TRecordCache& records = FTable->Data().Records();
  TReadAhead readAhead;
  readAhead.Wanted = true;
  readAhead.Direction = direction == 1 ? TReadDirection::Forward : TReadDirection::Backward;
  readAhead.GuidedCount = CountConsecutive(records.ReadAheadLimit(), direction);
  TRecord* record = records.GetRecord(FRecordNumber, readAhead);
  // The read found another user's change: the caller starts again from a resynchronised cursor.
  if (record == nullptr) throw EIndexReadRestart{};
  std::copy_n(record->Bytes(), std::min(record->Size(), FRecordSize), FCurrentRecord.begin());
  records.ReleaseRecord(record);
}

void TDataCursor::CopyCurrent(uint8_t* buffer, bool valid) const {
  if (buffer == nullptr) return;
  if (valid) {
    std::copy(FCurrentRecord.begin(), FCurrentRecord.end(), buffer);
  } else {
    std::fill_n(buffer, FRecordSize, 0);
  }
}

int TDataCursor::ReadCurrent(uint8_t* buffer) {
  return Reading([&] {
    int status = cursor_status::Ok;
    if (FAtBeginning && FAtEnd) {
      status = cursor_status::NoCurrentRecord;
    } else if (FAtBeginning) {
      status = cursor_status::BeginningOfFile;
    } else if (FAtEnd) {
      status = cursor_status::EndOfFile;
    }
    if (status != cursor_status::Ok) {
      CopyCurrent(buffer, false);
      return status;
    }
    LoadCurrentRecord(1);
    CopyCurrent(buffer, true);
    return status;
  });
}

const TFieldDefinition& TDataCursor::GetFieldDefinition(int fieldNo) const {
  if (fieldNo < 1 || fieldNo > FFields.Count()) {
    RaiseEngineError(err::InvalidField, FTableName, {}, std::to_string(fieldNo));
  }
  return FFields[fieldNo - 1];
}

bool TDataCursor::GetField(int fieldNo, const uint8_t* record, uint8_t* dest) const {
  const TFieldDefinition& field = GetFieldDefinition(fieldNo);
  const int offset = field.Offset();
  if (field.IsAutoIncrement()) {
    if (offset + 4 > FRecordSize) RaiseEngineError(err::RecordBuffersCorrupt, FTableName, field.Name());
    if (dest != nullptr) std::copy_n(record + offset, 4, dest);
    return false;
  }
  const int size = field.Type() == TFieldType::Blob ? 4 : field.StoredSize();
  // Definitions come from the file: a value reaching past the record is a damaged table.
  if (offset + 1 + size > FRecordSize) RaiseEngineError(err::RecordBuffersCorrupt, FTableName, field.Name());
  if (dest != nullptr) {
    std::fill_n(dest, size, 0);
    std::copy_n(record + offset + 1, size, dest);
  }
  return record[offset] == 0;
}

// ---- Whole cursors ----

std::unique_ptr<TDataCursor> TDataCursor::Clone() {
  return Reading([&] {
    auto clone = std::make_unique<TDataCursor>(FDirectory);
    clone->SetTableName(FTableName);
    clone->SetExclusive(FExclusive);
    clone->SetAllowSharedExclusive(FExclusive);
    clone->SetReadOnly(FReadOnly);
    clone->SetInMemory(FInMemory);
    clone->Open();
    if (NaturalOrder()) {
      clone->SelectIndex(kNaturalOrder);
    } else {
      clone->SelectIndexByName(FIndexName);
    }
    clone->SyncToCursor(*this);
    return clone;
  });
}

int TDataCursor::SyncToCursor(TDataCursor& other) {
  return Reading([&] {
    int status = cursor_status::Ok;
    if (NaturalOrder()) {
      GotoNaturalRecord(other.FRecordNumber);
      if (FRecordNumber != other.FRecordNumber || FRecordNumber == 0) status = cursor_status::RecordNotFound;
    } else {
      std::vector<uint8_t> key(FCurrentKey.size());
      FIndex->Layout().BuildKey(other.FCurrentRecord.data(), key.data());
      if (!GotoBookmarkBody(key.data(), false)) status = cursor_status::RecordNotFound;
    }
    if (status == cursor_status::Ok) FAtBeginning = FAtEnd = false;
    LoadCurrentRecord(1);
    return status;
  });
}

}  // namespace sklad
