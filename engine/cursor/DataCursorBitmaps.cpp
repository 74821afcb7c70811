#include "DataCursor.h"

#include <algorithm>

#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

// ---- Bitmaps and counts ----

int32_t TDataCursor::HighestRecordNumber() const { return FTable->Data().RecordCount(); }

void TDataCursor::Recount() {
  Reading([&] {
    RecountBody();
    return 0;
  });
}

void TDataCursor::RecountBody() {
  ComputeRangeOrdinals();
  if (NaturalOrder() || FBitmapNavigation) {
    RebuildBitmaps();
    CombineBitmaps();
  }
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

int32_t TDataCursor::GetRecordCount() {
  return Reading([&] {
    if (FBitmapNavigation) return FVisibleCount;
    if (FRangeStart <= 0 || FRangeEnd <= 0) return int32_t{0};
    return FRangeEnd - FRangeStart + 1;
  });
}

int32_t TDataCursor::GetRecordNumber() {
  return Reading([&] {
    if (NaturalOrder()) return FPosition;
    return FPosition <= 0 ? 0 : FPosition - FRangeStart + 1;
  });
}

}  // namespace sklad
