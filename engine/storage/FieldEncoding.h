// The stored encodings of field values that are more than a plain little-endian integer or
// double: day numbers (0001-01-01 = 1), timestamps, BCD with its scale digit, 80-bit extended
// floats (the same 10 bytes on every platform) and zero-terminated strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FieldTypes.h"

namespace sklad {

struct TCalendarDate {
  int Year;
  int Month;
  int Day;
  bool operator==(const TCalendarDate&) const = default;
};

// Day number of a proleptic Gregorian date, 0001-01-01 = 1 (1899-12-30 = 693,594).
int32_t DayNumberFromDate(const TCalendarDate& date);
TCalendarDate DateFromDayNumber(int32_t dayNumber);

// The stored timestamp: day number × 86,400,000 + milliseconds since midnight.
double TimeStampValue(int32_t dayNumber, int32_t millisecondsOfDay);

// The ordinary date-time value: days since 1899-12-30, the fraction being the time of day.
double DateTimeValue(int32_t dayNumber, int32_t millisecondsOfDay);

// The local date and time now as an ordinary date-time value.
double CurrentDateTimeValue();

// A BCD value: its digits without the decimal separator and the number of decimal places.
struct TBcdValue {
  int64_t Unscaled;
  int Scale;
  bool operator==(const TBcdValue&) const = default;
};

// The stored 64-bit form: the unscaled digits followed by one more digit holding the scale,
// carrying the value's sign (12.34 at scale 2 is 12342, -0.5 at scale 1 is -51). Empty when the
// scale is outside 0..4 or the value does not fit.
std::optional<int64_t> EncodeBcd(const TBcdValue& value);
TBcdValue DecodeBcd(int64_t stored);

// 80-bit extended float: 64-bit mantissa with explicit integer bit, 15-bit exponent (bias
// 16,383), sign bit; little-endian in 10 bytes.
constexpr int kExtendedSize = 10;
void StoreExtended(uint8_t* at, long double value);
long double LoadExtended(const uint8_t* at);

// A string value in its slot of stored-size bytes: the characters (cut to stored size - 1),
// a terminating zero and zero padding.
void StoreStringValue(uint8_t* at, int storedSize, std::string_view text);
// The characters up to the first zero byte, never past the slot.
std::string LoadStringValue(const uint8_t* at, int storedSize);

}  // namespace sklad
