// Locales named the Windows way: a locale identifier (LCID) = sort id × 65536 + language id, its
// ICU locale name, whether ICU has collation data for it, and the language's ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

constexpr uint32_t MakeLcid(uint16_t languageId, uint16_t sortId) {
  return (static_cast<uint32_t>(sortId & 0xF) << 16) | languageId;
}

constexpr uint16_t LanguageOfLcid(uint32_t lcid) { return static_cast<uint16_t>(lcid & 0xFFFF); }
constexpr uint16_t SortOfLcid(uint32_t lcid) { return static_cast<uint16_t>((lcid >> 16) & 0xF); }

// The ICU locale name ("cs_CZ", "de_DE@collation=phonebook"); none when ICU does not know the
// language or the sort order.
std::optional<std::string> IcuLocaleName(uint32_t lcid);

// True when the locale is known and ICU has collation data of its own for it (not only the root
// collation every unknown locale falls back to).
bool IsLocaleInstalled(uint32_t lcid);

// The language identifier of the user's default locale (from the environment, LANG and LC_*);
// 0 when it has none.
uint16_t UserDefaultLanguage();

// The single-byte Windows code page the language's text is stored in: 1250 for Czech and the other
// Central European languages, 1251 for Cyrillic, 1252 for the Western languages and for language 0.
int AnsiCodePage(uint16_t languageId);

}  // namespace platform
