#include "IndexKeyOrder.h"

#include <algorithm>

namespace sklad {

int TKeyOrder::Compare(const uint8_t* pageKey, const uint8_t* searchKey, int n) const {
  if (FLayout.RecordStates()) return CompareBytes(pageKey, searchKey, n);
  if (!FLayout.TableHasLanguage()) {
    const int result = CompareBytes(pageKey, searchKey, n);
    return FLayout.Descending() ? -result : result;
  }
  return CompareByFields(pageKey, searchKey, n);
}

int TKeyOrder::CompareByFields(const uint8_t* a, const uint8_t* b, int n) const {
  int at = 0;
  for (const TKeySegment& segment : FLayout.Segments()) {
    if (at >= n) return 0;
    int result = CompareBytes(a + at, b + at, 1);
    if (result == 0) {
      const int span = std::min(segment.StoredSize, n - at - 1);
      result = segment.Type == TFieldType::String ? FCollation.CompareCharacters(a + at + 1, b + at + 1, span)
                                                  : CompareBytes(a + at + 1, b + at + 1, span);
    }
    if (result != 0) return (FLayout.Descending() || segment.Descending) ? -result : result;
    at += segment.StoredSize + 1;
  }
  const int result = CompareBytes(a + at, b + at, n - at);
  return FLayout.Descending() ? -result : result;
}

}  // namespace sklad
