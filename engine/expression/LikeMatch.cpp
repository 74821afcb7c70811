#include "LikeMatch.h"

#include <array>
#include <map>
#include <mutex>

#include "engine/storage/language/LanguageMaps.h"

namespace sklad {
namespace {

// For each byte of a locale's code page, the smallest byte its collation finds equal to it, so
// that two characters are equal exactly when their classes are. Built once per locale.
using CharacterClasses = std::array<uint8_t, 256>;

const CharacterClasses& BuildClassesOf(uint16_t language, uint16_t sort) {
  static std::mutex lock;
  static std::map<uint32_t, CharacterClasses> cache;
  std::lock_guard guard(lock);
  auto [entry, added] = cache.try_emplace(LocaleOf(language, sort));
  CharacterClasses& classes = entry->second;
  if (added) {
    for (int c = 0; c < 256; ++c) {
      classes[c] = static_cast<uint8_t>(c);
      for (int earlier = 1; earlier < c; ++earlier) {
        if (classes[earlier] == earlier &&
            CompareCharacters(language, sort, static_cast<char>(earlier), static_cast<char>(c)) == 0) {
          classes[c] = static_cast<uint8_t>(earlier);
          break;
        }
      }
    }
  }
  return classes;
}

// Each thread remembers the locale it matched last, so a scan takes no lock per record.
const CharacterClasses& ClassesOf(uint16_t language, uint16_t sort) {
  thread_local uint32_t lastLocale = 0;
  thread_local const CharacterClasses* lastClasses = nullptr;
  const uint32_t locale = LocaleOf(language, sort);
  if (!lastClasses || lastLocale != locale) {
    lastClasses = &BuildClassesOf(language, sort);
    lastLocale = locale;
  }
  return *lastClasses;
}

bool RestIsAllPercent(std::string_view pattern, size_t from) {
  return pattern.find_first_not_of('%', from) == std::string_view::npos;
}

// "%word%" with no wildcard inside: whether the word occurs anywhere in the text — the word
// searches' pattern, answered without the general matcher's backtracking.
bool ContainsWord(std::string_view text, std::string_view word, const CharacterClasses* classes) {
  if (classes == nullptr) return text.find(word) != std::string_view::npos;
  const auto classOf = [&](char c) { return (*classes)[static_cast<uint8_t>(c)]; };
  for (size_t at = 0; at + word.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < word.size() && classOf(text[at + i]) == classOf(word[i])) ++i;
    if (i == word.size()) return true;
  }
  return false;
}

}  // namespace

bool LikeMatches(std::string_view text, std::string_view pattern, uint16_t language, uint16_t sort) {
  const CharacterClasses* classes = language != 0 ? &ClassesOf(language, sort) : nullptr;
  if (pattern.size() > 2 && pattern.front() == '%' && pattern.back() == '%') {
    const std::string_view word = pattern.substr(1, pattern.size() - 2);
    if (word.find_first_of("%_") == std::string_view::npos) return ContainsWord(text, word, classes);
  }
  auto same = [&](char a, char b) {
    if (a == b) return true;
    return classes && (*classes)[static_cast<uint8_t>(a)] == (*classes)[static_cast<uint8_t>(b)];
  };
  size_t t = 0, p = 0;
  bool backtrack = false;
  size_t percentAt = 0, textAt = 0;
  for (;;) {
    if (pattern.substr(p) == "%") return true;
    if (t == text.size()) {
      // Whatever is left of the pattern must be able to match nothing.
      if (RestIsAllPercent(pattern, p)) return true;
    } else if (p < pattern.size() && pattern[p] == '%') {
      backtrack = true;
      percentAt = p;
      textAt = t;
      ++p;
      continue;
    } else if (p < pattern.size() && (pattern[p] == '_' || same(pattern[p], text[t]))) {
      ++p;
      ++t;
      continue;
    }
    if (!backtrack || textAt >= text.size()) return false;
    p = percentAt;
    t = textAt + 1;
    backtrack = false;
  }
}

}  // namespace sklad
