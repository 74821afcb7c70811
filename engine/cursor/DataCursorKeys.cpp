// Keys of the current index: building them from records, comparing them in the index's order,
// and the fill and step operations that turn partial keys into key intervals.
#include <algorithm>
#include <cstring>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

int TDataCursor::KeyLength() const { return FIndex ? FIndex->KeyLength() : 0; }

void TDataCursor::BuildKey(const uint8_t* record, uint8_t* key) const {
  if (FIndex) FIndex->Layout().BuildKey(record, key);
}

void TDataCursor::BuildRecordStateKey(const uint8_t* record, uint8_t* key) const {
  TKeyLayout::ForRecordStates().BuildKey(record, key);
}

int TDataCursor::CompareKeys(const uint8_t* a, const uint8_t* b, int length) const {
  if (!FIndex) return CompareBytes(a, b, length);
  const int sign = FIndex->Order().Compare(a, b, std::min(length, FIndex->KeyLength()));
  return (sign > 0) - (sign < 0);
}

void TDataCursor::FillKey(uint8_t* key, int from, bool lowest, bool inIndexOrder) const {
  if (!FIndex) return;
  const TKeyLayout& layout = FIndex->Layout();
  const int length = layout.KeyLength();
  if (from >= length) return;
  const uint8_t lowByte = 0, highByte = 255;
  // The table's collation has its own lowest and highest characters; other bytes order as bytes.
  const bool collated = layout.TableHasLanguage() && !layout.RecordStates();
  int at = 0;
  for (const TKeySegment& segment : layout.Segments()) {
    const int end = at + segment.StoredSize + 1;
    // With a language a descending field orders its values downward; without one its bytes
    // are complemented in the key and so order upward like the rest.
    const bool reversed = inIndexOrder && (layout.Descending() || (segment.Descending && collated));
    const bool low = lowest != reversed;
    for (int i = std::max(from, at); i < end; ++i) {
      const bool character = collated && segment.Type == TFieldType::String && i > at;
      if (character) {
        key[i] = low ? FCollationOrder.front() : FCollationOrder.back();
      } else {
        key[i] = low ? lowByte : highByte;
      }
    }
    at = end;
  }
  const bool low = lowest != (inIndexOrder && layout.Descending() && !layout.RecordStates());
  for (int i = std::max(from, at); i < length; ++i) key[i] = low ? lowByte : highByte;
}

void TDataCursor::FillLow(uint8_t* key, int from) const { FillKey(key, from, true, false); }

void TDataCursor::FillHigh(uint8_t* key, int from) const { FillKey(key, from, false, false); }

void TDataCursor::FillFirst(uint8_t* key, int from) const { FillKey(key, from, true, true); }

void TDataCursor::FillLast(uint8_t* key, int from) const { FillKey(key, from, false, true); }

void TDataCursor::LowestKey(uint8_t* key) const { FillLow(key, 0); }

void TDataCursor::HighestKey(uint8_t* key) const {
  FillHigh(key, 0);
  if (!FIndex || !FIndex->Layout().TableHasLanguage() || FIndex->Layout().RecordStates()) return;
  int at = 0;
  for (const TKeySegment& segment : FIndex->Layout().Segments()) {
    key[at] = 1;
    at += segment.StoredSize + 1;
  }
}

bool TDataCursor::IncrementKey(uint8_t* key, int n) {
  int i = n - 1;
  while (i >= 0 && key[i] == 255) --i;
  if (i < 0) return false;
  ++key[i];
  std::fill(key + i + 1, key + n, uint8_t{0});
  return true;
}

bool TDataCursor::DecrementKey(uint8_t* key, int n) {
  int i = n - 1;
  while (i >= 0 && key[i] == 0) --i;
  if (i < 0) return false;
  --key[i];
  std::fill(key + i + 1, key + n, uint8_t{255});
  return true;
}

int TDataCursor::SegmentsSize(int n) const {
  int size = 0;
  const TSystemList<TKeySegment>& segments = FIndex->Layout().Segments();
  for (int i = 0; i < n && i < segments.Count(); ++i) size += segments[i].StoredSize + 1;
  return size;
}

bool TDataCursor::KeyExists(const uint8_t* key) {
  if (!FIndex) return false;
  return Reading([&] { return FIndex->Tree().KeyExists(key, FIndex->KeyLength()); });
}

bool TDataCursor::UniqueViolation(const uint8_t* key) { return FIndex && FIndex->Layout().Unique() && KeyExists(key); }

bool TDataCursor::KeyInRange(const uint8_t* key) const {
  if (!RangeApplies()) return true;
  const int length = FIndex->KeyLength();
  return CompareKeys(key, FRangeLowKey.data(), length) >= 0 && CompareKeys(key, FRangeHighKey.data(), length) <= 0;
}

}  // namespace sklad
