// Key search: going to a key of the current index exactly or to its nearest successor, with
// whole or partial keys, and re-finding the current record by its key.
#include <algorithm>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

bool TDataCursor::EntryVisible(uint32_t recordNumber) const {
  return !FBitmapNavigation || FVisibleBitmap->Test(static_cast<int32_t>(recordNumber));
}

bool TDataCursor::SeekKey(const uint8_t* key, bool nearest, bool keepEndState) {
  if (NothingVisible()) {
    SetNoRecord();
    return false;
  }
  const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
  const int length = FIndex->KeyLength();
  bool found = false;
  if (RangeApplies() && CompareKeys(key, FRangeLowKey.data(), length) < 0) {
    GotoFirstVisible();
  } else if (RangeApplies() && CompareKeys(key, FRangeHighKey.data(), length) > 0) {
    GotoLastVisible();
  } else {
    uint8_t reached[kMaxKeyLength];
    const TKeyLocation notBelow = FIndex->Tree().FirstNotBelow(key, length, reached);
    found = notBelow.Ordinal != 0 && notBelow.Ordinal <= static_cast<uint32_t>(FRangeEnd) &&
            CompareKeys(reached, key, length) == 0 && EntryVisible(notBelow.RecordNumber);
    if (found) {
      PlaceAtOrdinal(notBelow.Ordinal);
      FAtBeginning = FAtEnd = false;
    } else if (nearest) {
      SeekNearest(notBelow);
    }
  }
  if (keepEndState && !(FAtBeginning && FAtEnd)) KeepEndState(atBeginning, atEnd);
  return found;
}

void TDataCursor::SeekNearest(const TKeyLocation& notBelow) {
  const uint32_t rangeStart = static_cast<uint32_t>(FRangeStart), rangeEnd = static_cast<uint32_t>(FRangeEnd);
  const bool beyond = notBelow.Ordinal == 0 || notBelow.Ordinal > rangeEnd;
  FAtBeginning = FAtEnd = false;
  if (!FBitmapNavigation) {
    // Past the last key in range: the cursor rests on that key, on the end crack.
    PlaceAtOrdinal(beyond ? rangeEnd : std::max(notBelow.Ordinal, rangeStart));
    FAtEnd = beyond;
    return;
  }
  TIndexTree& tree = FIndex->Tree();
  TKeyLocation visible;
  if (!beyond) {
    visible = tree.WalkUntil(notBelow, 1, [&](const TKeyLocation& entry, const uint8_t*) {
      return entry.Ordinal > rangeEnd || EntryVisible(entry.RecordNumber);
    });
    if (visible.Ordinal > rangeEnd) visible = {};
  }
  if (visible.Ordinal == 0) {
    const uint32_t before = beyond ? rangeEnd : notBelow.Ordinal - 1;
    visible = tree.WalkUntil(tree.KeyAt(before), -1, [&](const TKeyLocation& entry, const uint8_t*) {
      return entry.Ordinal < rangeStart || EntryVisible(entry.RecordNumber);
    });
    if (visible.Ordinal < rangeStart) visible = {};
  }
  if (visible.Ordinal == 0) {
    SetNoRecord();
    return;
  }
  PlaceAtOrdinal(visible.Ordinal);
}

void TDataCursor::KeepEndState(bool atBeginning, bool atEnd) {
  if (atBeginning == atEnd) {
    // The cursor stood on a record, or there was none: the record reached is current.
    FAtBeginning = FAtEnd = false;
    return;
  }
  // A cursor on a crack stays on it, next to the first or last visible record, so that the
  // next read delivers that record whatever the record it stood by has become in the new order.
  if (atBeginning) {
    GotoFirstVisible();
    if (FRecordNumber != 0) FAtBeginning = true;
  } else {
    GotoLastVisible();
    if (FRecordNumber != 0) FAtEnd = true;
  }
}

bool TDataCursor::FindKey(bool isKey, const uint8_t* source, uint8_t* recordOut, int partialLength, bool nearest,
                          int fieldCount) {
  if (NaturalOrder() || source == nullptr) return false;
  return Reading([&] {
    uint8_t key[kMaxKeyLength] = {};
    if (isKey) {
      std::copy_n(source, FIndex->KeyLength(), key);
    } else {
      BuildKey(source, key);
    }
    const TSystemList<TKeySegment>& segments = FIndex->Layout().Segments();
    const int fields = segments.Count();
    const bool partial = (fieldCount >= 1 && fieldCount <= fields - 1) || !FIndex->Layout().Unique() ||
                         (fieldCount == 0 && partialLength > 0);
    bool found;
    if (partial) {
      int counted = std::clamp(fieldCount, 0, fields);
      if (counted == 0 && partialLength <= 0) counted = fields;
      // The partial length reaches into the field after the counted ones, when there is one.
      const int characters = counted < fields ? std::clamp(partialLength, 0, segments[counted].StoredSize) : 0;
      const int compared = SegmentsSize(counted) + (characters > 0 ? characters + 1 : 0);
      FillFirst(key, compared);
      SeekKey(key, true, false);
      found = !(FAtBeginning && FAtEnd) && CompareKeys(FCurrentKey.data(), key, compared) == 0;
    } else {
      found = SeekKey(key, nearest, false);
    }
    if (FAtEnd && !FAtBeginning) GotoLastVisible();
    // A search is no walk: the neighbours in key order lie anywhere in the file.
    LoadCurrentRecord(kLandingRead);
    CopyCurrent(recordOut, true);
    return found;
  });
}

void TDataCursor::ResyncToCurrentRecord() {
  if (FRecordNumber == 0 || (FAtBeginning && FAtEnd)) {
    // Nothing was current: stand before whatever is visible now.
    GotoFirstVisible();
    if (FRecordNumber != 0) FAtBeginning = true;
  } else if (NaturalOrder()) {
    const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
    SnapToVisible();
    if (FRecordNumber != 0) {
      FPosition = FVisibleBitmap->Rank(FRecordNumber) + 1;
      KeepEndState(atBeginning, atEnd);
    }
  } else {
    uint8_t key[kMaxKeyLength];
    BuildKey(FCurrentRecord.data(), key);
    SeekKey(key, true, true);
  }
  LoadCurrentRecord(1);
}

}  // namespace sklad
