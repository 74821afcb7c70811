#include "LocaleId.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstring>
#include <memory>

namespace platform {

std::optional<std::string> IcuLocaleName(uint32_t lcid) {
  char name[ULOC_FULLNAME_CAPACITY];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = uloc_getLocaleForLCID(lcid, name, sizeof name, &status);
  if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length <= 0) return {};
  // ICU drops a sort id it does not know and answers the plain language; such an LCID names no
  // sort order we could honour.
  if (SortOfLcid(lcid) != 0 && std::strstr(name, "@collation=") == nullptr) return {};
  return std::string(name, static_cast<size_t>(length));
}

bool IsLocaleInstalled(uint32_t lcid) {
  const std::optional<std::string> name = IcuLocaleName(lcid);
  if (!name) return false;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCollator, decltype(&ucol_close)> collator(ucol_open(name->c_str(), &status),
                                                             &ucol_close);
  if (U_FAILURE(status)) return false;
  const char* valid = ucol_getLocaleByType(collator.get(), ULOC_VALID_LOCALE, &status);
  return U_SUCCESS(status) && valid != nullptr && std::strcmp(valid, "root") != 0;
}

uint16_t UserDefaultLanguage() { return LanguageOfLcid(uloc_getLCID(uloc_getDefault())); }

int AnsiCodePage(uint16_t languageId) {
  const int primary = languageId & 0x3FF;
  const int sublanguage = languageId >> 10;
  switch (primary) {
    case 0x05:  // Czech
    case 0x0E:  // Hungarian
    case 0x15:  // Polish
    case 0x18:  // Romanian
    case 0x1B:  // Slovak
    case 0x1C:  // Albanian
    case 0x24:  // Slovenian
      return 1250;
    case 0x1A:  // Croatian and Serbian: Latin script 1250, Cyrillic 1251
      return sublanguage == 3 ? 1251 : 1250;
    case 0x02:  // Bulgarian
    case 0x19:  // Russian
    case 0x22:  // Ukrainian
    case 0x23:  // Belarusian
      return 1251;
    case 0x08: return 1253;  // Greek
    case 0x1F: return 1254;  // Turkish
    case 0x0D: return 1255;  // Hebrew
    case 0x01:               // Arabic
    case 0x29:               // Farsi
      return 1256;
    case 0x25:  // Estonian
    case 0x26:  // Latvian
    case 0x27:  // Lithuanian
      return 1257;
    case 0x2A: return 1258;  // Vietnamese
    case 0x1E: return 874;   // Thai
    default: return 1252;
  }
}

}  // namespace platform
