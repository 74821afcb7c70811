// Names from identifiers: the way back from what a table header stores to what a user reads.
#include <gtest/gtest.h>

#include "engine/storage/language/LanguageList.h"

namespace sklad {
namespace {

TEST(LanguageNames, IdentifiersNameTheirLanguageAndSort) {
  const struct {
    uint16_t Language, Sort;
    std::string_view LanguageText, SortText;
  } cases[] = {
      {0, 0, "ANSI Standard", "Default Order"},
      {1029, 0, "Czech", "Default Order"},
      {1029, 1, "Czech", ""},
      {1031, 1, "German (Standard)", "German Phone Book Order"},
      {1031, 2, "German (Standard)", ""},
      {0x7FFF, 0, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageName(c.Language), c.LanguageText) << c.Language;
    EXPECT_EQ(SortName(c.Language, c.Sort), c.SortText) << c.Language << "/" << c.Sort;
  }
}

TEST(LanguageNames, EveryListedNameLeadsBackToItsEntry) {
  for (const TLanguageEntry& entry : LanguageList()) {
    EXPECT_EQ(LanguageIdentifier(LanguageName(entry.Id)), entry.Id) << entry.Name;
    EXPECT_EQ(SortIdentifier(entry.Id, SortName(entry.Id, 0)), 0) << entry.Name;
  }
}

}  // namespace
}  // namespace sklad
