#include <algorithm>
#include <vector>

#include "DataCursor.h"
#include "engine/storage/DataTable.h"

namespace sklad {

// ---- Bitmaps, counts and position after this cursor's own change ----

void TDataCursor::RecountAfterChange(int32_t recordNumber) {
  FRangeStart = 1;
  FRangeEnd = FIndex ? static_cast<int32_t>(FIndex->Tree().KeyCount()) : FTable->Data().RecordCount();
  if (!FBitmapNavigation) return;
  const int32_t highest = HighestRecordNumber();
  if (highest < 1) {
    FVisibleBitmap->SetSize(0);
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
    FVisibleCount = 0;
    return;
  }
  // Slots added since the last count start out not live.
  const int32_t known = FLiveBitmap->Size();
  FVisibleBitmap->SetSize(highest);
  FRangeBitmap->SetSize(0);
  FLiveBitmap->SetSize(highest);
  for (int32_t n = known + 1; n <= highest; ++n) FLiveBitmap->ClearBit(n);
  FLiveBitmap->SetBit(recordNumber);
  // Each active filter will test the stored record here and set or clear its bit.
  CombineBitmaps();
}

void TDataCursor::RecountAfterDelete(int32_t recordNumber) {
  FRangeStart = 1;
  FRangeEnd = FIndex ? static_cast<int32_t>(FIndex->Tree().KeyCount()) : FTable->Data().RecordCount();
  if (!FBitmapNavigation || FVisibleBitmap->Size() == 0) return;
  FLiveBitmap->ClearBit(recordNumber);
  // Each active filter will clear the record's bit here.
  CombineBitmaps();
}

void TDataCursor::ResyncToCurrentRecord() {
  if (NaturalOrder()) {
    GotoNaturalRecord(std::max(FRecordNumber, 1));
  } else {
    std::vector<uint8_t> key(FCurrentKey.size());
    FIndex->Layout().BuildKey(FCurrentRecord.data(), key.data());
    GotoBookmarkBody(key.data(), true);
    // A record gone from the end leaves the cursor on the new last record, not after it.
    if (FAtEnd && !FAtBeginning) FAtEnd = false;
  }
  LoadCurrentRecord(1);
}

}  // namespace sklad
