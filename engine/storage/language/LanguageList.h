// The named languages and sort orders a table definition may refer to: the process-wide, ordered
// list of 99 languages with their Windows language identifiers, and each language's sort names.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sklad {

struct TLanguageEntry {
  std::string_view Name;
  uint16_t Id;  // primary language in bits 0..9, sublanguage in bits 10..15; 0 = no language
};

// The list in its fixed order, "ANSI Standard" (0) first.
std::span<const TLanguageEntry> LanguageList();

// Names compare without regard to letter case.
bool IsLanguageKnown(std::string_view name);
// The identifier of the first entry with the name; 0 when there is none.
uint16_t LanguageIdentifier(std::string_view name);

// The name of the first entry with the identifier; empty when there is none.
std::string_view LanguageName(uint16_t languageId);

// Every language has "Default Order"; the five German entries also "German Phone Book Order".
bool IsSortKnown(uint16_t languageId, std::string_view sortName);
// The position of the name among the language's sort names, which is the sort identifier the
// locale services know it by (German phone book order is sort 1); 0 for an unknown name.
uint16_t SortIdentifier(uint16_t languageId, std::string_view sortName);
// The name of a sort identifier of the language; empty for one the language does not have.
std::string_view SortName(uint16_t languageId, uint16_t sortId);

}  // namespace sklad
