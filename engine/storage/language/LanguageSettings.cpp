#include "LanguageSettings.h"

#include <atomic>
#include <map>
#include <memory>
#include <utility>

#include "platform/locale/LocaleFormats.h"
#include "platform/locale/LocaleId.h"

namespace sklad {
namespace {

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

template <size_t N>
void SetNames(std::array<std::string, N>& names, const std::array<std::string, N>& fromLocale,
              const std::array<const char*, N>& english) {
  for (size_t i = 0; i < N; ++i) names[i] = fromLocale[i].empty() ? english[i] : fromLocale[i];
}

std::string Or(const std::string& text, const char* fallback) { return text.empty() ? fallback : text; }
char FirstOr(const std::string& text, char fallback) { return text.empty() ? fallback : text[0]; }

TLanguageSettings WithoutLanguage() {
  TLanguageSettings s;
  s.CurrencyDecimals = 2;
  s.ShortDateFormat = "yyyy-mm-dd";
  s.LongDateFormat = "dddd, mmmm dd, yyyy";
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.ShortTimeFormat = "hh:mm";
  s.LongTimeFormat = "hh:mm:ss";
  for (size_t i = 0; i < 12; ++i) s.ShortMonthNames[i] = kShortMonths[i], s.LongMonthNames[i] = kLongMonths[i];
  for (size_t i = 0; i < 7; ++i) s.ShortDayNames[i] = kShortDays[i], s.LongDayNames[i] = kLongDays[i];
  return s;
}

TLanguageSettings FromLocale(uint16_t language, uint16_t sort) {
  const platform::LocaleFormats f =
      platform::ReadLocaleFormats(platform::MakeLcid(language, sort), platform::AnsiCodePage(language));
  TLanguageSettings s;
  s.CurrencyString = Or(f.currencyString, "$");
  s.CurrencyFormat = f.currencyFormat.value_or(0);
  s.NegativeCurrencyFormat = f.negativeCurrencyFormat.value_or(0);
  s.ThousandSeparator = FirstOr(f.thousandSeparator, ',');
  s.DecimalSeparator = FirstOr(f.decimalSeparator, '.');
  s.CurrencyDecimals = f.currencyDecimals.value_or(2);
  s.DateSeparator = FirstOr(f.dateSeparator, '/');
  s.ShortDateFormat = Or(f.shortDateFormat, "M/d/yyyy");
  s.LongDateFormat = Or(f.longDateFormat, "dddd, MMMM dd, yyyy");
  s.TimeSeparator = FirstOr(f.timeSeparator, ':');
  s.TimeAMString = Or(f.amString, "AM");
  s.TimePMString = Or(f.pmString, "PM");
  const std::string hour = f.hourLeadingZero ? "hh" : "h";
  const std::string ending = f.twelveHourClock ? " AMPM" : "";
  s.ShortTimeFormat = hour + ":mm" + ending;
  s.LongTimeFormat = hour + ":mm:ss" + ending;
  SetNames(s.ShortMonthNames, f.shortMonthNames, kShortMonths);
  SetNames(s.LongMonthNames, f.longMonthNames, kLongMonths);
  SetNames(s.ShortDayNames, f.shortDayNames, kShortDays);
  SetNames(s.LongDayNames, f.longDayNames, kLongDays);
  return s;
}

// Built sets are kept for the life of the process, so the current set is a plain pointer.
const TLanguageSettings& CachedSettings(uint16_t language, uint16_t sort) {
  static std::mutex lock;
  static std::map<std::pair<uint16_t, uint16_t>, std::unique_ptr<const TLanguageSettings>> sets;
  std::lock_guard guard(lock);
  auto& set = sets[{language, sort}];
  if (!set) set = std::make_unique<const TLanguageSettings>(BuildLanguageSettings(language, sort));
  return *set;
}

std::recursive_mutex& LocaleLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::atomic<const TLanguageSettings*>& Current() {
  static std::atomic<const TLanguageSettings*> current{&CachedSettings(0, 0)};
  return current;
}

}  // namespace

TLanguageSettings BuildLanguageSettings(uint16_t language, uint16_t sort) {
  return language == 0 ? WithoutLanguage() : FromLocale(language, sort);
}

const TLanguageSettings& CurrentLanguageSettings() { return *Current().load(); }

TLocaleScope::TLocaleScope(uint16_t language, uint16_t sort) : FLock(LocaleLock()) {
  const TLanguageSettings& settings = CachedSettings(language, sort);
  FSaved = Current().exchange(&settings);
}

TLocaleScope::~TLocaleScope() { Current().store(FSaved); }

}  // namespace sklad
