// TKeyOrder: the order of one index's keys. Tables without a language and the record-state
// index compare keys as unsigned bytes; otherwise string fields compare through the table's
// collation and every field's result is reversed when the index or the field is descending.
#pragma once

#include <cstdint>

#include "IndexKey.h"
#include "KeyCollation.h"

namespace sklad {

class TKeyOrder {
 public:
  // The layout and the collation must outlive the order.
  TKeyOrder(const TKeyLayout& layout, const TKeyCollation& collation) : FLayout(layout), FCollation(collation) {}

  // Sign of pageKey - searchKey over the first n bytes (n <= key length); a shorter search key
  // compares as a prefix.
  int Compare(const uint8_t* pageKey, const uint8_t* searchKey, int n) const;
  int KeyLength() const { return FLayout.KeyLength(); }

 private:
  int CompareByFields(const uint8_t* a, const uint8_t* b, int n) const;

  const TKeyLayout& FLayout;
  const TKeyCollation& FCollation;
};

}  // namespace sklad
