#include <algorithm>

#include "DataCursor.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

// ---- Bitmaps and counts after this cursor's own change ----

void TDataCursor::RecountAfterChange(int32_t recordNumber) {
  ComputeRangeOrdinals();
  if (!FBitmapNavigation) return;
  const int32_t highest = HighestRecordNumber();
  if (highest < 1) {
    FVisibleBitmap->SetSize(0);
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
    FVisibleCount = 0;
    return;
  }
  // Slots added since the last count start out not live and out of range.
  const int32_t known = FLiveBitmap->Size();
  FVisibleBitmap->SetSize(highest);
  FLiveBitmap->SetSize(highest);
  for (int32_t n = known + 1; n <= highest; ++n) FLiveBitmap->ClearBit(n);
  FLiveBitmap->SetBit(recordNumber);
  if (RangeApplies()) {
    const int32_t knownInRange = FRangeBitmap->Size();
    FRangeBitmap->SetSize(highest);
    for (int32_t n = knownInRange + 1; n <= highest; ++n) FRangeBitmap->ClearBit(n);
    // The changed record is the current one: its key decides whether it lies in the range.
    uint8_t key[kMaxKeyLength];
    BuildKey(FCurrentRecord.data(), key);
    KeyInRange(key) ? FRangeBitmap->SetBit(recordNumber) : FRangeBitmap->ClearBit(recordNumber);
  }
  // Each active filter tests the stored record and sets or clears its bit.
  for (const auto& filter : FFilters) {
    if (filter->Active()) filter->EvaluateRecord(recordNumber, FCurrentRecord.data());
  }
  CombineBitmaps();
}

void TDataCursor::RecountAfterDelete(int32_t recordNumber) {
  ComputeRangeOrdinals();
  if (!FBitmapNavigation || FVisibleBitmap->Size() == 0) return;
  FLiveBitmap->ClearBit(recordNumber);
  for (const auto& filter : FFilters) {
    if (filter->Active()) filter->RemoveRecord(recordNumber);
  }
  CombineBitmaps();
}

}  // namespace sklad
