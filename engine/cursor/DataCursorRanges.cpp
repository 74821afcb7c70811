// Ranges: a low and a high key of the current index that limit what the cursor shows, their
// ordinals from two descents of the counted tree, and the bitmap of the records in range for
// bitmap navigation.
#include <algorithm>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

bool TDataCursor::RangeApplies() const { return FRangeActive && FIndex != nullptr; }

void TDataCursor::BoundKey(bool isKey, const uint8_t* source, int fieldCount, bool low, uint8_t* key) const {
  std::fill_n(key, kMaxKeyLength, uint8_t{0});
  if (source == nullptr) {
    // An open end: below (above) every key of the index.
    low ? FillFirst(key, 0) : FillLast(key, 0);
    return;
  }
  if (isKey) {
    std::copy_n(source, FIndex->KeyLength(), key);
  } else {
    BuildKey(source, key);
  }
  const int fields = FIndex->Layout().Segments().Count();
  const bool unique = FIndex->Layout().Unique();
  if (!((fieldCount >= 1 && fieldCount <= fields - 1) || !unique)) return;
  const int counted = (fieldCount <= 0 || fieldCount > fields) ? fields : fieldCount;
  low ? FillFirst(key, SegmentsSize(counted)) : FillLast(key, SegmentsSize(counted));
}

void TDataCursor::SetRange(bool isKey, const uint8_t* low, int lowFieldCount, const uint8_t* high,
                           int highFieldCount) {
  if (NaturalOrder()) return;
  Reading([&] {
    uint8_t lowKey[kMaxKeyLength], highKey[kMaxKeyLength];
    BoundKey(isKey, low, lowFieldCount, true, lowKey);
    BoundKey(isKey, high, highFieldCount, false, highKey);
    SetRangeKeys(lowKey, highKey);
    FRangeActive = true;
    RecountBody();
    ResyncToCurrentRecord();
    return 0;
  });
}

void TDataCursor::CancelRange() {
  if (NaturalOrder()) return;
  Reading([&] {
    ClearRange();
    RecountBody();
    ResyncToCurrentRecord();
    return 0;
  });
}

void TDataCursor::SetRangeKeys(const uint8_t* low, const uint8_t* high) {
  FRangeLowKey.assign(kMaxKeyLength, 0);
  FRangeHighKey.assign(kMaxKeyLength, 0);
  const int length = KeyLength();
  std::copy_n(low, length, FRangeLowKey.begin());
  std::copy_n(high, length, FRangeHighKey.begin());
}

void TDataCursor::ClearRange() {
  FRangeLowKey.assign(kMaxKeyLength, 0);
  FRangeHighKey.assign(kMaxKeyLength, 255);
  FRangeStart = 1;
  FRangeEnd = FTable->Data().RecordCount();
  FRangeActive = false;
}

void TDataCursor::ComputeRangeOrdinals() {
  FRangeStart = 1;
  if (!FIndex) {
    FRangeEnd = FTable->Data().RecordCount();
    return;
  }
  TIndexTree& tree = FIndex->Tree();
  if (!RangeApplies()) {
    FRangeEnd = static_cast<int32_t>(tree.KeyCount());
    return;
  }
  const int length = FIndex->KeyLength();
  if (CompareKeys(FRangeLowKey.data(), FRangeHighKey.data(), length) > 0) {
    FRangeStart = FRangeEnd = 0;
    return;
  }
  FRangeStart = static_cast<int32_t>(tree.FirstNotBelow(FRangeLowKey.data(), length).Ordinal);
  FRangeEnd = static_cast<int32_t>(tree.LastNotAbove(FRangeHighKey.data(), length).Ordinal);
}

uint32_t TDataCursor::CountKeysInRange(const uint8_t* low, const uint8_t* high) {
  if (!FIndex) return 0;
  return Reading([&] { return FIndex->Tree().CountInRange(low, high, FIndex->KeyLength()); });
}

void TDataCursor::SetBitsInKeyRange(const uint8_t* low, const uint8_t* high, TRecordsBitmap& bitmap) {
  bitmap.ClearAll();
  if (!FIndex) return;
  const int length = FIndex->KeyLength();
  if (CompareKeys(low, high, length) > 0) return;
  TIndexTree& tree = FIndex->Tree();
  tree.WalkUntil(tree.FirstNotBelow(low, length), 1, [&](const TKeyLocation& entry, const uint8_t* key) {
    if (FIndex->Order().Compare(key, high, length) > 0) return true;
    bitmap.SetBit(static_cast<int32_t>(entry.RecordNumber));
    return false;
  });
}

void TDataCursor::BuildRangeBitmap() {
  if (!RangeApplies()) {
    FRangeBitmap->SetSize(0);
    return;
  }
  FRangeBitmap->SetSize(FVisibleBitmap->Size());
  SetRangeBits(*FRangeBitmap);
}

void TDataCursor::SetRangeBits(TRecordsBitmap& bitmap) {
  if (!RangeApplies()) {
    bitmap.ClearAll();
    return;
  }
  const int32_t width = FRangeStart <= 0 || FRangeEnd <= 0 ? 0 : std::max(FRangeEnd - FRangeStart + 1, 0);
  const int32_t count = static_cast<int32_t>(FIndex->Tree().KeyCount());
  const TKeyLayout& layout = FIndex->Layout();
  if (layout.TableHasLanguage() || count - width >= width) {
    SetBitsInKeyRange(FRangeLowKey.data(), FRangeHighKey.data(), bitmap);
    return;
  }
  // Most keys are in range: walk the keys outside it instead and invert. Without a language
  // keys order as bytes, so stepping a bound by one gives the neighbouring key interval.
  const int length = FIndex->KeyLength();
  TRecordsBitmap* above = TRecordsBitmapStack::Instance().Acquire();
  struct TGiveBack {
    TRecordsBitmap*& Bitmap;
    ~TGiveBack() { TRecordsBitmapStack::Instance().Release(Bitmap); }
  } giveBack{above};
  above->SetSize(bitmap.Size());
  bitmap.ClearAll();
  uint8_t first[kMaxKeyLength], last[kMaxKeyLength], bound[kMaxKeyLength];
  FillFirst(first, 0);
  FillLast(last, 0);
  const bool descending = layout.Descending();
  std::copy_n(FRangeLowKey.data(), length, bound);
  if (descending ? IncrementKey(bound, length) : DecrementKey(bound, length)) {
    SetBitsInKeyRange(first, bound, bitmap);
  }
  std::copy_n(FRangeHighKey.data(), length, bound);
  if (descending ? DecrementKey(bound, length) : IncrementKey(bound, length)) {
    SetBitsInKeyRange(bound, last, *above);
  }
  bitmap.OrWith(*above);
  bitmap.Invert();
}

}  // namespace sklad
