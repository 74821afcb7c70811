#include "platform/locale/LocaleId.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(LocaleId, IdentifierCombinesSortAndLanguage) {
  static_assert(MakeLcid(1029, 0) == 1029);
  static_assert(MakeLcid(1031, 1) == 0x10407);
  static_assert(LanguageOfLcid(0x10407) == 1031 && SortOfLcid(0x10407) == 1);
}

TEST(LocaleId, IcuNamesTheLocaleWithItsSortOrder) {
  EXPECT_EQ(IcuLocaleName(1029).value_or(""), "cs_CZ");
  EXPECT_EQ(IcuLocaleName(MakeLcid(1031, 1)).value_or(""), "de_DE@collation=phonebook");
  EXPECT_FALSE(IcuLocaleName(MakeLcid(1029, 5)));  // Czech has no sort order 5
  EXPECT_FALSE(IcuLocaleName(0x3FF));
}

TEST(LocaleId, InstalledWhereIcuHasCollationDataForTheLocale) {
  for (uint32_t lcid : {1029u, 1051u, 1031u, MakeLcid(1031, 1), 1033u, 1049u})
    EXPECT_TRUE(IsLocaleInstalled(lcid)) << lcid;
  EXPECT_FALSE(IsLocaleInstalled(MakeLcid(1029, 5)));
  EXPECT_FALSE(IsLocaleInstalled(0x3FF));
  EXPECT_FALSE(IsLocaleInstalled(0));
}

TEST(LocaleId, EachLanguageStoresTextInItsAnsiCodePage) {
  const struct {
    uint16_t language;
    int codePage;
  } cases[] = {{0, 1252},    {1029, 1250}, {1051, 1250}, {1045, 1250}, {1038, 1250},
               {2074, 1250}, {3098, 1251}, {1049, 1251}, {1031, 1252}, {1033, 1252},
               {1032, 1253}, {1055, 1254}, {1037, 1255}, {1025, 1256}, {1062, 1257},
               {1066, 1258}, {1054, 874}};
  for (const auto& c : cases) EXPECT_EQ(AnsiCodePage(c.language), c.codePage) << c.language;
}

}  // namespace
}  // namespace platform
