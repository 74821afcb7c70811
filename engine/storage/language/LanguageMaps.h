// Locale services of a table's (language, sort) pair: string and character comparison and case
// mapping of code-page strings. Language 0 means no language: bytes compare as unsigned values and
// case mapping is US English.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sklad {

// The locale identifier of a pair: sort × 65536 + language.
uint32_t LocaleOf(uint16_t language, uint16_t sort);

// Whether a table with this pair can be opened: always for language 0, otherwise when the locale
// services have collation data for the locale.
bool IsLanguageInstalled(uint16_t language, uint16_t sort);

// The language a new engine session starts with: the user's default language, or 0 (no language)
// where that language's text needs a double-byte code page (Chinese, Japanese, Korean).
uint16_t DefaultSessionLanguage();

// Three-way comparison (-1, 0, 1) of two string values. A value ends at its first zero byte or at
// the end of the view. A length of 0 compares the whole values, a length n the first n characters
// of each. With a language: the locale's collation ignoring non-spacing marks, punctuation sorting
// as symbols, case ignored on request. Without one: unsigned bytes, the shorter value's end
// ordering first ("abc" < "abcd", "abc" < "abc "), after US English upper-casing on request.
int CompareStrings(uint16_t language, uint16_t sort, bool caseInsensitive, std::string_view a,
                   std::string_view b, int length = 0);

// Two characters compared as one-character strings with the string comparison's options,
// case-sensitive.
int CompareCharacters(uint16_t language, uint16_t sort, char a, char b);

// The locale's case mapping in place; the length never changes.
void ToUpperCase(uint16_t language, uint16_t sort, std::span<char> text);
void ToLowerCase(uint16_t language, uint16_t sort, std::span<char> text);

}  // namespace sklad
