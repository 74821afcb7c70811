// Locale case mapping of code-page strings, character by character, so a mapped string keeps its
// length (index keys and fixed-size fields rely on it). Tables are built once per locale.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace platform {

class CaseMapper {
 public:
  CaseMapper(uint32_t lcid, int codePage);

  // A character whose mapping is not one character of the code page stays as it is (ß, ŉ).
  void ToUpper(std::span<char> text) const { Map(FUpper, text); }
  void ToLower(std::span<char> text) const { Map(FLower, text); }
  uint8_t Upper(uint8_t character) const { return FUpper[character]; }

 private:
  using Table = std::array<uint8_t, 256>;
  static void Map(const Table& table, std::span<char> text);

  Table FUpper{}, FLower{};
};

// The process-wide mapper of a locale and code page, built on first use.
const CaseMapper& CaseMapperFor(uint32_t lcid, int codePage);

}  // namespace platform
