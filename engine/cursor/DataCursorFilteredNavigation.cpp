#include <algorithm>
#include <vector>

#include "DataCursor.h"
#include "engine/storage/EngineError.h"

namespace sklad {

// ---- Index order while filters are active: an entry counts only when its record is visible ----

bool TDataCursor::EntryVisible(uint32_t ordinal) {
  const TKeyLocation entry = FIndex->Tree().KeyAt(ordinal);
  // The range ordinals promised this key.
  if (entry.Ordinal == 0) RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
  return FVisibleBitmap->Test(static_cast<int32_t>(entry.RecordNumber));
}

bool TDataCursor::ScanToVisible(uint32_t& ordinal, int direction) {
  if (FVisibleCount == 0 || FRangeStart <= 0) return false;
  for (int64_t at = ordinal; at >= FRangeStart && at <= FRangeEnd; at += direction) {
    if (EntryVisible(static_cast<uint32_t>(at))) {
      ordinal = static_cast<uint32_t>(at);
      return true;
    }
  }
  return false;
}

void TDataCursor::PlaceAtVisibleNear(uint32_t ordinal) {
  uint32_t found = ordinal;
  if (ScanToVisible(found, 1)) return PlaceAtOrdinal(found);
  found = ordinal;
  if (ordinal > 0 && ScanToVisible(--found, -1)) return PlaceAtOrdinal(found);
  SetNoRecord();
}

void TDataCursor::MoveByVisible(int32_t n) {
  if (NothingVisible()) return SetNoRecord();
  const int direction = n > 0 ? 1 : -1;
  int64_t remaining = n > 0 ? int64_t{n} : -int64_t{n};
  int64_t reached = FPosition;
  while (remaining > 0) {
    const int64_t next = reached + direction;
    if (next < FRangeStart || next > FRangeEnd) break;
    uint32_t ordinal = static_cast<uint32_t>(next);
    if (!ScanToVisible(ordinal, direction)) break;
    reached = ordinal;
    --remaining;
  }
  if (remaining == 0) {
    PlaceAtOrdinal(static_cast<uint32_t>(reached));
    (n > 0 ? FAtBeginning : FAtEnd) = false;
    return;
  }
  // Ran off one end: rest on the nearest visible entry, on that end's crack.
  const bool onRange = reached >= FRangeStart && reached <= FRangeEnd;
  if (reached == FPosition && (!onRange || !EntryVisible(static_cast<uint32_t>(reached)))) {
    uint32_t back = static_cast<uint32_t>(std::clamp<int64_t>(reached, FRangeStart, FRangeEnd));
    if (!ScanToVisible(back, -direction)) return SetNoRecord();
    reached = back;
  }
  PlaceAtOrdinal(static_cast<uint32_t>(reached));
  FAtEnd = n > 0;
  FAtBeginning = n < 0;
}

void TDataCursor::ResyncToCurrentRecord() {
  if (FRecordNumber == 0 || (FAtBeginning && FAtEnd)) {
    GotoFirstVisible();
    if (FRecordNumber != 0) FAtBeginning = true;
  } else if (NaturalOrder()) {
    SnapToVisible();
    if (FRecordNumber != 0) FPosition = FVisibleBitmap->Rank(FRecordNumber) + 1;
  } else {
    const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
    std::vector<uint8_t> key(FCurrentKey.size());
    FIndex->Layout().BuildKey(FCurrentRecord.data(), key.data());
    GotoBookmarkBody(key.data(), true);
    if (FRecordNumber != 0 && !(FAtBeginning && FAtEnd) && (atBeginning || atEnd)) {
      FAtBeginning = atBeginning;
      FAtEnd = atEnd;
    }
  }
  LoadCurrentRecord(1);
}

}  // namespace sklad
