// Index order while filters are active: an entry counts only when its record is visible, so
// steps walk the leaves past entries whose records the filters hide.
#include <algorithm>
#include <cstdlib>

#include "DataCursor.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

bool TDataCursor::ScanToVisible(uint32_t& ordinal, int direction) {
  const int64_t start = FRangeStart, end = FRangeEnd;
  if (FVisibleCount == 0 || start <= 0 || ordinal < start || ordinal > end) return false;
  TIndexTree& tree = FIndex->Tree();
  const TKeyLocation from = tree.KeyAt(ordinal);
  // The range ordinals promised this key.
  if (from.Ordinal == 0) RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
  const TKeyLocation found = tree.WalkUntil(from, direction, [&](const TKeyLocation& entry, const uint8_t*) {
    return entry.Ordinal < start || entry.Ordinal > end || EntryVisible(entry.RecordNumber);
  });
  if (found.Ordinal < start || found.Ordinal > end) return false;
  ordinal = found.Ordinal;
  return true;
}

void TDataCursor::PlaceAtVisibleNear(uint32_t ordinal) {
  uint32_t found = ordinal;
  if (ScanToVisible(found, 1)) return PlaceAtOrdinal(found);
  found = ordinal - 1;
  if (ordinal > 0 && ScanToVisible(found, -1)) return PlaceAtOrdinal(found);
  SetNoRecord();
}

void TDataCursor::MoveByVisible(int32_t n) {
  if (NothingVisible()) return SetNoRecord();
  const int direction = n > 0 ? 1 : -1;
  const int64_t start = FRangeStart, end = FRangeEnd;
  int64_t remaining = std::abs(int64_t{n});
  TKeyLocation passed;  // the last visible entry passed
  const int64_t next = int64_t{FPosition} + direction;
  if (next >= start && next <= end) {
    TIndexTree& tree = FIndex->Tree();
    const TKeyLocation from = tree.KeyAt(static_cast<uint32_t>(next));
    if (from.Ordinal == 0) RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
    tree.WalkUntil(from, direction, [&](const TKeyLocation& entry, const uint8_t*) {
      if (entry.Ordinal < start || entry.Ordinal > end) return true;
      if (!EntryVisible(entry.RecordNumber)) return false;
      passed = entry;
      return --remaining == 0;
    });
  }
  if (remaining == 0) {
    PlaceAtOrdinal(passed.Ordinal);
    (n > 0 ? FAtBeginning : FAtEnd) = false;
    return;
  }
  // Ran off one end: rest on the nearest visible entry, on that end's crack.
  uint32_t rest = passed.Ordinal;
  if (rest == 0) {
    rest = static_cast<uint32_t>(std::clamp<int64_t>(FPosition, start, end));
    if (!ScanToVisible(rest, -direction)) return SetNoRecord();
  }
  PlaceAtOrdinal(rest);
  FAtEnd = n > 0;
  FAtBeginning = n < 0;
}

}  // namespace sklad
