// TKeyCollation: the seam through which index keys reach the locale services — the string
// comparison of locale-ordered string key fields and the upper-casing of case-insensitive keys.
// TBytewiseKeyCollation is the order of tables without a language: unsigned bytes.
#pragma once

#include <cstdint>

namespace sklad {

class TKeyCollation {
 public:
  virtual ~TKeyCollation() = default;
  // Three-way comparison (-1, 0, 1) of count characters of two zero-padded string fields.
  virtual int CompareCharacters(const uint8_t* a, const uint8_t* b, int count) const = 0;
};

class TBytewiseKeyCollation final : public TKeyCollation {
 public:
  int CompareCharacters(const uint8_t* a, const uint8_t* b, int count) const override;
};

// Three-way comparison of count unsigned bytes.
int CompareBytes(const uint8_t* a, const uint8_t* b, int count);

}  // namespace sklad
