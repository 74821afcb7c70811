#include "LanguageCharMaps.h"

#include <numeric>
#include <string_view>

#include "platform/locale/Collation.h"
#include "platform/locale/LocaleId.h"

namespace sklad {
namespace {

// Byte values in byte order, or sorted by the locale's case-sensitive string sort.
TCharacterMap BuildMap(uint16_t language, uint16_t sort) {
  TSystemList<uint8_t> characters;
  characters.SetCount(256);
  std::iota(characters.begin(), characters.end(), uint8_t{0});
  if (language != 0) {
    const platform::LocaleCollator& collator = platform::CollatorFor(
        platform::MakeLcid(language, sort), platform::AnsiCodePage(language), {.stringSort = true});
    characters.Sort([&](uint8_t a, uint8_t b) {
      // A zero byte is the empty string.
      const std::string_view x(reinterpret_cast<const char*>(&a), a != 0);
      const std::string_view y(reinterpret_cast<const char*>(&b), b != 0);
      return collator.Compare(x, y);
    });
  }
  TCharacterMap map;
  std::copy(characters.begin(), characters.end(), map.begin());
  return map;
}

}  // namespace

TLanguageCharMapsList::TLanguageCharMapsList() { FMaps.SetCapacity(255); }

TCharacterMap TLanguageCharMapsList::CharacterMap(uint16_t language, uint16_t sort) {
  std::lock_guard guard(FLock);
  for (const TEntry& entry : FMaps)
    if (entry.Language == language && entry.Sort == sort) return entry.Characters;
  FMaps.Add(TEntry{language, sort, BuildMap(language, sort)});
  return FMaps.Last().Characters;
}

int TLanguageCharMapsList::Count() {
  std::lock_guard guard(FLock);
  return FMaps.Count();
}

TLanguageCharMapsList& LanguageCharMaps() {
  static TLanguageCharMapsList maps;
  return maps;
}

}  // namespace sklad
