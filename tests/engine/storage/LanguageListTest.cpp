#include "engine/storage/language/LanguageList.h"

#include <gtest/gtest.h>

namespace sklad {
namespace {

TEST(LanguageList, HoldsTheNinetyNineLanguagesInOrder) {
  const auto list = LanguageList();
  ASSERT_EQ(list.size(), 99u);
  EXPECT_EQ(list.front().Name, "ANSI Standard");
  EXPECT_EQ(list.front().Id, 0);
  EXPECT_EQ(list[24].Name, "Czech");
  EXPECT_EQ(list[48].Name, "German (Standard)");
  EXPECT_EQ(list[52].Name, "German (Liechtenstein)");
  EXPECT_EQ(list.back().Name, "Vietnamese");
  EXPECT_EQ(list.back().Id, 1066);
}

TEST(LanguageList, NamesAreFoundInAnyLetterCase) {
  for (const char* name : {"Czech", "czech", "CZECH", "cZeCh"}) {
    EXPECT_TRUE(IsLanguageKnown(name)) << name;
    EXPECT_EQ(LanguageIdentifier(name), 1029) << name;
  }
  EXPECT_EQ(LanguageIdentifier("english (uk)"), 2057);
  for (const char* name : {"Klingon", "Czec", "Czech ", ""}) {
    EXPECT_FALSE(IsLanguageKnown(name)) << name;
    EXPECT_EQ(LanguageIdentifier(name), 0) << name;
  }
}

TEST(LanguageList, PhoneBookOrderBelongsToTheFiveGermanEntriesOnly) {
  int german = 0;
  for (const TLanguageEntry& entry : LanguageList()) {
    const bool isGerman = entry.Name.starts_with("German");
    german += isGerman;
    EXPECT_EQ(IsSortKnown(entry.Id, "German Phone Book Order"), isGerman) << entry.Name;
    EXPECT_TRUE(IsSortKnown(entry.Id, "default order")) << entry.Name;
    EXPECT_EQ(SortIdentifier(entry.Id, "Default Order"), 0) << entry.Name;
  }
  EXPECT_EQ(german, 5);
  EXPECT_EQ(SortIdentifier(3079, "german phone book order"), 1);
  EXPECT_FALSE(IsSortKnown(1029, "Czech Order"));
  EXPECT_FALSE(IsSortKnown(4711, "Default Order"));  // not a listed language
}

}  // namespace
}  // namespace sklad
