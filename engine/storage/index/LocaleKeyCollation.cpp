#include "LocaleKeyCollation.h"

#include <string_view>

#include "engine/storage/language/LanguageMaps.h"

namespace sklad {

int TLocaleKeyCollation::CompareCharacters(const uint8_t* a, const uint8_t* b, int count) const {
  if (count <= 0) return 0;
  const auto size = static_cast<size_t>(count);
  // Each value ends at its terminating zero or after count characters.
  return CompareStrings(FLanguage, FSort, false, std::string_view(reinterpret_cast<const char*>(a), size),
                        std::string_view(reinterpret_cast<const char*>(b), size));
}

}  // namespace sklad
