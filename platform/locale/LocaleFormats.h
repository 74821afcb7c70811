// The formatting conventions of a locale as ICU's locale data gives them: number separators,
// currency, date and time patterns, AM/PM and the month and day names, as code-page texts.
// An empty text (or an absent number) means the locale gives nothing; callers pick a fallback.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct LocaleFormats {
  std::string currencyString;
  std::optional<int> currencyFormat;          // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  std::optional<int> negativeCurrencyFormat;  // 1 "-$1", 5 "-1$", 9 "-$ 1", 8 "-1 $"
  std::optional<int> currencyDecimals;
  std::string thousandSeparator;
  std::string decimalSeparator;
  std::string dateSeparator;
  // Date patterns in the engine's notation: d, dd, ddd, dddd (day, short and long day name),
  // m, mm, mmm, mmmm (month, short and long month name), yy, yyyy; other text is copied.
  // The short pattern always writes four-digit years, so dates survive a trip through text.
  std::string shortDateFormat;
  std::string longDateFormat;
  std::string timeSeparator;
  std::string amString;
  std::string pmString;
  bool hourLeadingZero = false;
  bool twelveHourClock = false;
  std::array<std::string, 12> shortMonthNames, longMonthNames;  // January first
  std::array<std::string, 7> shortDayNames, longDayNames;       // Sunday first
};

// The conventions of a locale (no user overrides: ICU's data only); texts in the given code page.
LocaleFormats ReadLocaleFormats(uint32_t lcid, int codePage);

}  // namespace platform
