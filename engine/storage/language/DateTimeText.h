// Dates, times and timestamps as text under a TLanguageSettings: printed with its short date and
// long time formats, read back in the order and with the separators those formats use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/storage/data/DateTimeValues.h"
#include "LanguageSettings.h"

namespace sklad {

// Format letters, case-insensitive: d dd ddd dddd, m mm mmm mmmm (minutes right after an hour),
// yy yyyy, h hh, n nn (minutes), s ss, z zzz (milliseconds), AMPM; '/' prints the date separator,
// ':' the time separator; text in quotes is copied as it is.
std::string FormatDateTimeText(std::string_view format, int32_t day, int32_t millisecond,
                               const TLanguageSettings& settings);

std::string DateToText(int32_t day, const TLanguageSettings& settings);
// The long time format; milliseconds, when there are any, follow the seconds after the decimal
// separator, so that no part of the value is lost.
std::string TimeToText(int32_t millisecond, const TLanguageSettings& settings);
std::string DateTimeToText(int32_t day, int32_t millisecond, const TLanguageSettings& settings);

// Blanks around the parts are allowed. A date is three numbers in the short format's order
// separated by the date separator (a two-digit year means 1950..2049). A time is hours and
// minutes, optionally seconds and fractions after '.' or the decimal separator, optionally AM/PM.
std::optional<int32_t> TextToDate(std::string_view text, const TLanguageSettings& settings);
std::optional<int32_t> TextToTime(std::string_view text, const TLanguageSettings& settings);
// A date, optionally followed by a time; or a time alone, on 1899-12-30.
std::optional<TLocalMoment> TextToDateTime(std::string_view text, const TLanguageSettings& settings);

}  // namespace sklad
