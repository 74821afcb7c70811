// TLocaleKeyCollation: the key collation of a table with a language — string key fields compare
// through the locale of the table's language and sort identifiers.
#pragma once

#include <cstdint>

#include "KeyCollation.h"

namespace sklad {

class TLocaleKeyCollation final : public TKeyCollation {
 public:
  TLocaleKeyCollation(uint16_t language, uint16_t sort) : FLanguage(language), FSort(sort) {}
  int CompareCharacters(const uint8_t* a, const uint8_t* b, int count) const override;

 private:
  uint16_t FLanguage;
  uint16_t FSort;
};

}  // namespace sklad
