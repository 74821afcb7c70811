#include "tools/sklad/DisplayWidth.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace sklad::tool {
namespace {

size_t CharacterWidth(UChar32 c) {
  // Malformed bytes stand for one replacement character.
  if (c < 0) return 1;
  const auto category = static_cast<UCharCategory>(u_charType(c));
  if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR) return 0;
  // Hangul vowels and final consonants join the syllable before them.
  if (c >= 0x1160 && c <= 0x11FF) return 0;
  const auto width = static_cast<UEastAsianWidth>(u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH));
  return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

}  // namespace

size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    width += CharacterWidth(c);
  }
  return width;
}

}  // namespace sklad::tool
