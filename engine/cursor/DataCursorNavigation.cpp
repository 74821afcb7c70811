#include "DataCursor.h"

#include <algorithm>
#include <vector>

#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {

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

bool TDataCursor::NothingVisible() const {
  return FBitmapNavigation ? FVisibleCount == 0 : FRangeStart <= 0 || FRangeEnd < FRangeStart;
}

void TDataCursor::GotoFirstVisible() {
  if (NothingVisible()) {
    SetNoRecord();
    return;
  }
  FAtBeginning = FAtEnd = false;
  if (NaturalOrder()) {
    FRecordNumber = 0;
    FPosition = 0;
    FVisibleBitmap->NextSetBits(FRecordNumber, 1, FPosition);
  } else if (FBitmapNavigation) {
    PlaceAtVisibleNear(static_cast<uint32_t>(FRangeStart));
  } else {
    PlaceAtOrdinal(static_cast<uint32_t>(FRangeStart));
  }
}

void TDataCursor::GotoLastVisible() {
  if (NothingVisible()) {
    SetNoRecord();
    return;
  }
  FAtBeginning = FAtEnd = false;
  if (NaturalOrder()) {
    FRecordNumber = HighestRecordNumber() + 1;
    FPosition = FVisibleCount + 1;
    FVisibleBitmap->PriorSetBits(FRecordNumber, 1, FPosition);
  } else if (uint32_t last = static_cast<uint32_t>(FRangeEnd); FBitmapNavigation) {
    if (ScanToVisible(last, -1)) PlaceAtOrdinal(last);
    else SetNoRecord();
  } else {
    PlaceAtOrdinal(last);
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
  if (FBitmapNavigation) return MoveByVisible(n);
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
          GotoLastVisible();
          FAtEnd = true;
        } else if (FBitmapNavigation) {
          PlaceAtVisibleNear(static_cast<uint32_t>(ordinal));
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
  // From a visible record forward only the visible records passed are counted, so that a walk
  // through chosen records of a large table does not count from its start each time.
  const bool fromVisible = !FAtBeginning && !FAtEnd && FRecordNumber != 0 && FVisibleBitmap->Test(FRecordNumber);
  const int32_t from = FRecordNumber, fromPosition = FPosition;
  FAtBeginning = FAtEnd = false;
  FRecordNumber = std::clamp(recordNumber, 1, std::max(HighestRecordNumber(), 1));
  SnapToVisible();
  if (FRecordNumber == 0) return;
  FPosition = fromVisible && from <= FRecordNumber ? fromPosition + FVisibleBitmap->CountBetween(from, FRecordNumber)
                                                   : FVisibleBitmap->Rank(FRecordNumber) + 1;
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
  } else {
    SeekKey(bookmark, true, acceptNearest);
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

}  // namespace sklad
