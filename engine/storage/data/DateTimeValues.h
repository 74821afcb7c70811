// Calendar arithmetic of the stored date and time values: day numbers (0001-01-01 = 1, proleptic
// Gregorian calendar), milliseconds since midnight, and timestamps (day × 86,400,000 + ms).
#pragma once

#include <cstdint>

namespace sklad {

struct TCalendarDate {
  int Year = 1, Month = 1, Day = 1;
};

struct TTimeOfDay {
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

constexpr bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

constexpr int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

constexpr bool IsValidDate(TCalendarDate d) {
  return d.Year >= 1 && d.Year <= 9999 && d.Month >= 1 && d.Month <= 12 && d.Day >= 1 &&
         d.Day <= DaysInMonth(d.Year, d.Month);
}

// Days before the year plus days into it.
constexpr int32_t DayNumber(TCalendarDate d) {
  const int y = d.Year - 1;
  int32_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < d.Month; ++m) days += DaysInMonth(d.Year, m);
  return days + d.Day;
}

// Any day number, also outside years 1..9999 (a zeroed value decodes to 0000-12-31).
constexpr TCalendarDate DecodeDayNumber(int32_t dayNumber) {
  // Civil-from-days over an era-based count whose day 0 is 0000-03-01.
  const int64_t z = static_cast<int64_t>(dayNumber) + 305;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
  return {year, month, day};
}

// 0 = Sunday; day 1 (0001-01-01) was a Monday.
constexpr int DayOfWeek(int32_t dayNumber) { return static_cast<int>(((dayNumber % 7) + 7) % 7); }

constexpr int32_t Milliseconds(TTimeOfDay t) {
  return ((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Millisecond;
}

constexpr TTimeOfDay DecodeMilliseconds(int32_t ms) {
  ms = ((ms % 86400000) + 86400000) % 86400000;
  return {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

// The local date and time of the moment of the call.
struct TLocalMoment {
  int32_t Day = 0;
  int32_t Millisecond = 0;
};
TLocalMoment LocalNow();

}  // namespace sklad
