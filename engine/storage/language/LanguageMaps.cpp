#include "LanguageMaps.h"

#include <algorithm>
#include <cstring>

#include "platform/locale/CaseMapping.h"
#include "platform/locale/Collation.h"
#include "platform/locale/LocaleId.h"

namespace sklad {
namespace {

constexpr uint16_t kUsEnglish = 1033;

std::string_view StringValue(std::string_view text, int length) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  return length > 0 ? text.substr(0, static_cast<size_t>(length)) : text;
}

const platform::CaseMapper& CaseMapperOf(uint16_t language, uint16_t sort) {
  if (language == 0) return platform::CaseMapperFor(kUsEnglish, platform::AnsiCodePage(kUsEnglish));
  return platform::CaseMapperFor(LocaleOf(language, sort), platform::AnsiCodePage(language));
}

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareBytes(std::string_view a, std::string_view b, const platform::CaseMapper* upper) {
  const size_t common = std::min(a.size(), b.size());
  if (!upper) {
    if (const int bytes = common ? std::memcmp(a.data(), b.data(), common) : 0) return Sign(bytes);
    return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
  }
  for (size_t i = 0; i < common; ++i) {
    const uint8_t x = upper->Upper(static_cast<uint8_t>(a[i]));
    const uint8_t y = upper->Upper(static_cast<uint8_t>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
}

int CompareWithLocale(uint16_t language, uint16_t sort, bool ignoreCase, std::string_view a,
                      std::string_view b) {
  const platform::CollationOptions options{.ignoreNonSpacing = true, .stringSort = true,
                                           .ignoreCase = ignoreCase};
  return platform::CollatorFor(LocaleOf(language, sort), platform::AnsiCodePage(language), options)
      .Compare(a, b);
}

}  // namespace

uint32_t LocaleOf(uint16_t language, uint16_t sort) { return platform::MakeLcid(language, sort); }

bool IsLanguageInstalled(uint16_t language, uint16_t sort) {
  // A locale identifier has four bits for the sort; a larger sort names no locale.
  if (language == 0) return true;
  return sort <= 0xF && platform::IsLocaleInstalled(LocaleOf(language, sort));
}

uint16_t DefaultSessionLanguage() {
  const uint16_t language = platform::UserDefaultLanguage();
  switch (language & 0x3FF) {
    case 0x04:  // Chinese
    case 0x11:  // Japanese
    case 0x12:  // Korean
      return 0;
    default: return language;
  }
}

int CompareStrings(uint16_t language, uint16_t sort, bool caseInsensitive, std::string_view a,
                   std::string_view b, int length) {
  a = StringValue(a, length);
  b = StringValue(b, length);
  if (language != 0) return CompareWithLocale(language, sort, caseInsensitive, a, b);
  return CompareBytes(a, b, caseInsensitive ? &CaseMapperOf(0, 0) : nullptr);
}

int CompareCharacters(uint16_t language, uint16_t sort, char a, char b) {
  return CompareStrings(language, sort, false, std::string_view(&a, 1), std::string_view(&b, 1));
}

void ToUpperCase(uint16_t language, uint16_t sort, std::span<char> text) {
  CaseMapperOf(language, sort).ToUpper(text);
}

void ToLowerCase(uint16_t language, uint16_t sort, std::span<char> text) {
  CaseMapperOf(language, sort).ToLower(text);
}

}  // namespace sklad
