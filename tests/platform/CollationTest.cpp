#include "platform/locale/Collation.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/locale/CaseMapping.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleFormats.h"

namespace platform {
namespace {

std::string Cp1250(const char* utf8) { return Utf8ToCodePage(utf8, 1250); }

int CompareCzech(CollationOptions options, const char* a, const char* b) {
  return CollatorFor(1029, 1250, options).Compare(Cp1250(a), Cp1250(b));
}

TEST(Collation, OptionsChangeWhatCounts) {
  const CollationOptions exact{.stringSort = true};
  const CollationOptions marksIgnored{.ignoreNonSpacing = true, .stringSort = true};
  const CollationOptions caseIgnored{.ignoreNonSpacing = true, .stringSort = true, .ignoreCase = true};
  const CollationOptions wordSort{.ignoreNonSpacing = true};
  const struct {
    CollationOptions options;
    const char *a, *b;
    int expected;
  } cases[] = {
      {exact, "kun", "kůň", -1},      {marksIgnored, "kun", "kůň", 0},
      {marksIgnored, "cena", "čena", -1},  // č is a letter of its own, not c with a mark
      {marksIgnored, "abc", "Abc", -1},    {caseIgnored, "abc", "Abc", 0},
      {caseIgnored, "ŽLUŤOUČKÝ", "žluťoučký", 0},
      {marksIgnored, "a-b", "ab", -1},     {wordSort, "a-b", "ab", 0},  // only string sort keeps the hyphen
  };
  for (const auto& c : cases) EXPECT_EQ(CompareCzech(c.options, c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(Collation, SortKeysOrderLikeTheComparison) {
  const LocaleCollator& collator = CollatorFor(1029, 1250, {.ignoreNonSpacing = true, .stringSort = true});
  const char* words[] = {"hrad", "chata", "cena", "čaj", "řeka", "rak", "šest", "sova", "žena", "zub", "Žena"};
  for (const char* a : words)
    for (const char* b : words) {
      const int byKeys = collator.SortKey(Cp1250(a)).compare(collator.SortKey(Cp1250(b)));
      EXPECT_EQ((byKeys > 0) - (byKeys < 0), collator.Compare(Cp1250(a), Cp1250(b))) << a << " " << b;
    }
}

TEST(CaseMapping, CzechLettersMapBothWaysKeepingTheLength) {
  const std::string lower = Cp1250("ěščřžýáíéůúťďňó"), upper = Cp1250("ĚŠČŘŽÝÁÍÉŮÚŤĎŇÓ");
  const CaseMapper& czech = CaseMapperFor(1029, 1250);
  std::string text = lower;
  czech.ToUpper(text);
  EXPECT_EQ(text, upper);
  czech.ToLower(text);
  EXPECT_EQ(text, lower);
}

TEST(CaseMapping, CharactersWithoutASingleCharacterMappingStay) {
  std::string text = "stra\xDF" "e 1!";  // ß upper-cases to two letters
  CaseMapperFor(1031, 1252).ToUpper(text);
  EXPECT_EQ(text, "STRA\xDF" "E 1!");
  std::string turkish = "i";  // the dotted capital İ exists in code page 1254
  CaseMapperFor(1055, 1254).ToUpper(turkish);
  EXPECT_EQ(turkish, "\xDD");
}

TEST(LocaleFormats, CzechConventionsComeFromTheLocaleData) {
  const LocaleFormats czech = ReadLocaleFormats(1029, 1250);
  EXPECT_EQ(czech.decimalSeparator, ",");
  EXPECT_EQ(czech.thousandSeparator, "\xA0");  // no-break space
  EXPECT_EQ(czech.dateSeparator, ".");
  EXPECT_EQ(czech.shortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(czech.timeSeparator, ":");
  EXPECT_FALSE(czech.twelveHourClock);
  EXPECT_EQ(czech.currencyString, Cp1250("Kč"));
  EXPECT_EQ(czech.currencyFormat, 3);  // "1 Kč"
  EXPECT_EQ(czech.longMonthNames[0], "leden");
  EXPECT_EQ(czech.longDayNames[0], Cp1250("neděle"));  // Sunday first

  const LocaleFormats american = ReadLocaleFormats(1033, 1252);
  EXPECT_EQ(american.shortDateFormat, "m/d/yyyy");
  EXPECT_TRUE(american.twelveHourClock);
  EXPECT_EQ(american.amString, "AM");
  EXPECT_EQ(american.currencyFormat, 0);  // "$1"
}

TEST(LocaleFormats, AnUnknownLocaleGivesNothing) {
  const LocaleFormats none = ReadLocaleFormats(0x3FF, 1252);
  EXPECT_TRUE(none.decimalSeparator.empty());
  EXPECT_FALSE(none.currencyDecimals);
}

}  // namespace
}  // namespace platform
