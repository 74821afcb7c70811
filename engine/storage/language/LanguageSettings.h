// TLanguageSettings: the formatting conventions every conversion between text and numbers or
// dates uses. The process has one current set; an engine operation puts the set of its locale in
// force under the process-wide locale lock (TLocaleScope) and the previous set comes back after.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace sklad {

struct TLanguageSettings {
  std::string CurrencyString;
  int CurrencyFormat = 0;
  int NegativeCurrencyFormat = 0;
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  int CurrencyDecimals = 2;
  char DateSeparator = '-';
  std::string ShortDateFormat;  // d, m, y fields; '/' stands for the date separator
  std::string LongDateFormat;
  char TimeSeparator = ':';     // ':' in a time format stands for it
  std::string TimeAMString;
  std::string TimePMString;
  std::string ShortTimeFormat;  // h or hh, then ":mm", ending in " AMPM" on a 12-hour clock
  std::string LongTimeFormat;   // the same with ":ss"
  std::array<std::string, 12> ShortMonthNames, LongMonthNames;
  std::array<std::string, 7> ShortDayNames, LongDayNames;  // Sunday first
};

// The set of a (language, sort) pair: fixed ISO-like values for language 0, otherwise the locale's
// own conventions with English fallbacks where the locale gives nothing.
TLanguageSettings BuildLanguageSettings(uint16_t language, uint16_t sort);

// The set in force. Conversions read it; callers that depend on a locale hold a TLocaleScope.
const TLanguageSettings& CurrentLanguageSettings();

// Holds the process-wide locale lock for its lifetime with the settings of a locale in force, and
// restores the previous settings before releasing the lock. Scopes nest within one thread.
class TLocaleScope {
 public:
  TLocaleScope(uint16_t language, uint16_t sort);
  ~TLocaleScope();
  TLocaleScope(const TLocaleScope&) = delete;
  TLocaleScope& operator=(const TLocaleScope&) = delete;

 private:
  std::unique_lock<std::recursive_mutex> FLock;
  const TLanguageSettings* FSaved;
};

}  // namespace sklad
