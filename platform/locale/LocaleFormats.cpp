#include "LocaleFormats.h"

#include <unicode/udat.h>
#include <unicode/unum.h>

#include <memory>
#include <string_view>

#include "LocaleId.h"
#include "SingleByteCodePage.h"

namespace platform {
namespace {

using DateFormat = std::unique_ptr<UDateFormat, decltype(&udat_close)>;
using NumberFormat = std::unique_ptr<UNumberFormat, decltype(&unum_close)>;
constexpr int32_t kTextCapacity = 128;

// A code-page text, empty when a character has no counterpart in the code page.
std::string Encode(std::u16string_view text, const SingleByteCodePage& codePage) {
  std::string out;
  for (char16_t c : text) {
    const std::optional<uint8_t> byte = codePage.FromUnicode(c);
    if (!byte) return {};
    out += static_cast<char>(*byte);
  }
  return out;
}

bool IsDirectionMark(char16_t c) { return c == 0x200E || c == 0x200F || c == 0x061C; }
bool IsBlank(char16_t c) { return c == u' ' || c == 0x00A0 || c == 0x202F; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The pattern without its quoted literals ("HH 'h' mm" becomes "HH  mm"), blanks made plain.
std::u16string WithoutQuotedText(std::u16string_view pattern) {
  std::u16string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'\'') {
      const size_t end = pattern.find(u'\'', i + 1);
      if (end == std::u16string_view::npos) break;
      i = end;
      // The blanks before a dropped literal go with it ("d.MM.yy 'г'." ends in "yy.").
      while (!out.empty() && IsBlank(out.back())) out.pop_back();
      continue;
    }
    out += IsBlank(pattern[i]) ? u' ' : pattern[i];
  }
  return out;
}

bool IsPatternLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// An ICU date pattern ("dd.MM.yy", "EEEE d. MMMM y") in the engine's notation. Quoted literals
// and direction marks are dropped, fields without a counterpart (eras, time zones) too.
std::u16string FromIcuDatePattern(std::u16string_view icuPattern, bool fourDigitYears) {
  const std::u16string pattern = WithoutQuotedText(icuPattern);
  std::u16string out;
  for (size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == u'd') out += run >= 2 ? u"dd" : u"d";
    else if (c == u'M' || c == u'L') out += run >= 4 ? u"mmmm" : run == 3 ? u"mmm" : run == 2 ? u"mm" : u"m";
    else if (c == u'y') out += fourDigitYears || run != 2 ? u"yyyy" : u"yy";
    else if (c == u'E' || c == u'c') out += run >= 4 ? u"dddd" : u"ddd";
    else if (!IsPatternLetter(c) && !IsDirectionMark(c)) out.append(run, c);
    i += run;
  }
  return std::u16string(Trim(out));
}

// The literal between the first two fields of a pattern without its quoted text and direction
// marks, blanks trimmed ("." from "dd.MM.yy"); empty when there is nothing but blanks.
std::u16string SeparatorAfterFirstField(std::u16string_view icuPattern) {
  const std::u16string pattern = WithoutQuotedText(icuPattern);
  size_t start = 0;
  while (start < pattern.size() && !IsPatternLetter(pattern[start])) ++start;
  while (start < pattern.size() && IsPatternLetter(pattern[start])) ++start;
  std::u16string between;
  for (size_t at = start; at < pattern.size() && !IsPatternLetter(pattern[at]); ++at)
    if (!IsDirectionMark(pattern[at])) between += pattern[at];
  return std::u16string(Trim(between));
}

std::u16string Pattern(const UDateFormat* format) {
  char16_t buffer[kTextCapacity];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = udat_toPattern(format, false, buffer, kTextCapacity, &status);
  return U_SUCCESS(status) ? std::u16string(buffer, static_cast<size_t>(length)) : std::u16string();
}

std::u16string Symbol(const UDateFormat* format, UDateFormatSymbolType type, int32_t index) {
  char16_t buffer[kTextCapacity];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = udat_getSymbols(format, type, index, buffer, kTextCapacity, &status);
  return U_SUCCESS(status) ? std::u16string(buffer, static_cast<size_t>(length)) : std::u16string();
}

std::u16string NumberSymbol(const UNumberFormat* format, UNumberFormatSymbol symbol) {
  char16_t buffer[kTextCapacity];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = unum_getSymbol(format, symbol, buffer, kTextCapacity, &status);
  return U_SUCCESS(status) ? std::u16string(buffer, static_cast<size_t>(length)) : std::u16string();
}

DateFormat OpenDateFormat(const std::string& locale, UDateFormatStyle time, UDateFormatStyle date) {
  UErrorCode status = U_ZERO_ERROR;
  DateFormat format(udat_open(time, date, locale.c_str(), nullptr, 0, nullptr, 0, &status), &udat_close);
  if (U_FAILURE(status)) format.reset();
  return format;
}

NumberFormat OpenNumberFormat(const std::string& locale, UNumberFormatStyle style) {
  UErrorCode status = U_ZERO_ERROR;
  NumberFormat format(unum_open(style, nullptr, 0, locale.c_str(), nullptr, &status), &unum_close);
  if (U_FAILURE(status)) format.reset();
  return format;
}

void ReadNumbers(const std::string& locale, const SingleByteCodePage& codePage, LocaleFormats& out) {
  if (NumberFormat decimal = OpenNumberFormat(locale, UNUM_DECIMAL)) {
    out.decimalSeparator = Encode(NumberSymbol(decimal.get(), UNUM_DECIMAL_SEPARATOR_SYMBOL), codePage);
    out.thousandSeparator = Encode(NumberSymbol(decimal.get(), UNUM_GROUPING_SEPARATOR_SYMBOL), codePage);
  }
  NumberFormat currency = OpenNumberFormat(locale, UNUM_CURRENCY);
  if (!currency) return;
  out.currencyString = Encode(NumberSymbol(currency.get(), UNUM_CURRENCY_SYMBOL), codePage);
  out.currencyDecimals = unum_getAttribute(currency.get(), UNUM_MAX_FRACTION_DIGITS);
  char16_t buffer[kTextCapacity];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = unum_toPattern(currency.get(), false, buffer, kTextCapacity, &status);
  if (U_FAILURE(status)) return;
  std::u16string_view pattern(buffer, static_cast<size_t>(length));
  pattern = pattern.substr(0, pattern.find(u';'));  // the positive part
  const size_t sign = pattern.find(u'\u00A4');
  const size_t digits = pattern.find_first_of(u"#0");
  if (sign == std::u16string_view::npos || digits == std::u16string_view::npos) return;
  const bool before = sign < digits;
  const bool spaced = before ? sign + 1 < pattern.size() && IsBlank(pattern[sign + 1])
                             : sign > 0 && IsBlank(pattern[sign - 1]);
  out.currencyFormat = (before ? 0 : 1) + (spaced ? 2 : 0);
  static constexpr int kNegativeOf[] = {1, 5, 9, 8};
  out.negativeCurrencyFormat = kNegativeOf[*out.currencyFormat];
}

void ReadDates(const std::string& locale, const SingleByteCodePage& codePage, LocaleFormats& out) {
  if (DateFormat shortDate = OpenDateFormat(locale, UDAT_NONE, UDAT_SHORT)) {
    const std::u16string pattern = Pattern(shortDate.get());
    out.shortDateFormat = Encode(FromIcuDatePattern(pattern, true), codePage);
    out.dateSeparator = Encode(SeparatorAfterFirstField(pattern), codePage);
  }
  if (DateFormat longDate = OpenDateFormat(locale, UDAT_NONE, UDAT_FULL))
    out.longDateFormat = Encode(FromIcuDatePattern(Pattern(longDate.get()), false), codePage);
  if (DateFormat time = OpenDateFormat(locale, UDAT_MEDIUM, UDAT_NONE)) {
    const std::u16string pattern = WithoutQuotedText(Pattern(time.get()));
    out.timeSeparator = Encode(SeparatorAfterFirstField(pattern), codePage);
    out.hourLeadingZero = pattern.find(u"HH") != std::u16string::npos ||
                          pattern.find(u"hh") != std::u16string::npos;
    out.twelveHourClock = pattern.find_first_of(u"hK") != std::u16string::npos;
  }
  DateFormat symbols = OpenDateFormat(locale, UDAT_DEFAULT, UDAT_DEFAULT);
  if (!symbols) return;
  out.amString = Encode(Symbol(symbols.get(), UDAT_AM_PMS, 0), codePage);
  out.pmString = Encode(Symbol(symbols.get(), UDAT_AM_PMS, 1), codePage);
  for (int month = 0; month < 12; ++month) {
    out.shortMonthNames[month] = Encode(Symbol(symbols.get(), UDAT_STANDALONE_SHORT_MONTHS, month), codePage);
    out.longMonthNames[month] = Encode(Symbol(symbols.get(), UDAT_STANDALONE_MONTHS, month), codePage);
  }
  for (int day = 0; day < 7; ++day) {  // ICU counts weekdays from 1 = Sunday
    out.shortDayNames[day] = Encode(Symbol(symbols.get(), UDAT_STANDALONE_SHORT_WEEKDAYS, day + 1), codePage);
    out.longDayNames[day] = Encode(Symbol(symbols.get(), UDAT_STANDALONE_WEEKDAYS, day + 1), codePage);
  }
}

}  // namespace

LocaleFormats ReadLocaleFormats(uint32_t lcid, int codePage) {
  LocaleFormats formats;
  const std::optional<std::string> locale = IcuLocaleName(lcid);
  if (!locale) return formats;
  const SingleByteCodePage& characters = SingleByteCodePageFor(codePage);
  ReadNumbers(*locale, characters, formats);
  ReadDates(*locale, characters, formats);
  return formats;
}

}  // namespace platform
