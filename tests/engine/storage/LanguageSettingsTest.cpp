#include "engine/storage/language/LanguageSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/locale/CodePage.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

TEST(LanguageSettings, LanguageZeroHasFixedConventions) {
  const TLanguageSettings s = BuildLanguageSettings(0, 0);
  EXPECT_EQ(s.CurrencyString, "");
  EXPECT_EQ(s.ThousandSeparator, ',');
  EXPECT_EQ(s.DecimalSeparator, '.');
  EXPECT_EQ(s.CurrencyDecimals, 2);
  EXPECT_EQ(s.DateSeparator, '-');
  EXPECT_EQ(s.ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(s.LongDateFormat, "dddd, mmmm dd, yyyy");
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.ShortTimeFormat, "hh:mm");
  EXPECT_EQ(s.LongTimeFormat, "hh:mm:ss");
  EXPECT_EQ(s.ShortMonthNames[0], "Jan");
  EXPECT_EQ(s.LongMonthNames[11], "December");
  EXPECT_EQ(s.ShortDayNames[0], "Sun");
  EXPECT_EQ(s.LongDayNames[6], "Saturday");
}

TEST(LanguageSettings, CzechConventionsFromTheLocale) {
  const TLanguageSettings s = BuildLanguageSettings(1029, 0);
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.DateSeparator, '.');
  EXPECT_EQ(s.ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(s.ShortTimeFormat, "h:mm");  // Czech hours have no leading zero
  EXPECT_EQ(s.LongTimeFormat, "h:mm:ss");
  EXPECT_EQ(s.CurrencyString, platform::Utf8ToCodePage("Kč", 1250));
  EXPECT_EQ(s.LongMonthNames[2], platform::Utf8ToCodePage("březen", 1250));
  EXPECT_EQ(s.LongDayNames[1], platform::Utf8ToCodePage("pondělí", 1250));
}

TEST(LanguageSettings, TwelveHourClockEndsTimeFormatsInAmPm) {
  const TLanguageSettings s = BuildLanguageSettings(1033, 0);
  EXPECT_EQ(s.ShortTimeFormat, "h:mm AMPM");
  EXPECT_EQ(s.LongTimeFormat, "h:mm:ss AMPM");
  EXPECT_EQ(s.ShortDateFormat, "m/d/yyyy");
}

TEST(LanguageSettings, EnglishFallbacksWhereTheLocaleGivesNothing) {
  const TLanguageSettings s = BuildLanguageSettings(4711, 0);
  EXPECT_EQ(s.CurrencyString, "$");
  EXPECT_EQ(s.DecimalSeparator, '.');
  EXPECT_EQ(s.DateSeparator, '/');
  EXPECT_EQ(s.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(s.LongDateFormat, "dddd, MMMM dd, yyyy");
  EXPECT_EQ(s.TimeAMString, "AM");
  EXPECT_EQ(s.LongMonthNames[0], "January");
  EXPECT_EQ(s.ShortDayNames[0], "Sun");
}

TEST(LocaleScope, PutsTheLocaleInForceAndRestoresThePreviousSet) {
  ASSERT_EQ(CurrentLanguageSettings().DecimalSeparator, '.');
  {
    TLocaleScope czech(1029, 0);
    EXPECT_EQ(CurrentLanguageSettings().DecimalSeparator, ',');
    {
      TLocaleScope none(0, 0);
      EXPECT_EQ(CurrentLanguageSettings().DateSeparator, '-');
    }
    EXPECT_EQ(CurrentLanguageSettings().DateSeparator, '.');
  }
  EXPECT_EQ(CurrentLanguageSettings().DecimalSeparator, '.');
}

TEST(LocaleScope, ThreadsSeeOnlyTheirOwnSettingsWhileTheyHoldTheLock) {
  std::atomic<int> wrong{0};
  const auto run = [&](uint16_t language, char decimalSeparator) {
    for (int i = 0; i < testing::Iterations(200, 20000); ++i) {
      TLocaleScope scope(language, 0);
      for (int check = 0; check < 10; ++check)
        if (CurrentLanguageSettings().DecimalSeparator != decimalSeparator) ++wrong;
    }
  };
  std::thread czech(run, uint16_t{1029}, ','), none(run, uint16_t{0}, '.');
  czech.join();
  none.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace sklad
