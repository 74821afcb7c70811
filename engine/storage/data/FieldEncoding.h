// The stored encodings of field values beside those of DateTimeValues.h and BcdValue.h:
// timestamps, 80-bit extended floats (the same 10 bytes on every platform) and zero-terminated
// strings; and the ordinary date-time value of the data file header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sklad {

// The stored timestamp: day number × 86,400,000 + milliseconds since midnight.
double TimeStampValue(int32_t dayNumber, int32_t millisecondsOfDay);

// The ordinary date-time value: days since 1899-12-30, the fraction being the time of day.
double DateTimeValue(int32_t dayNumber, int32_t millisecondsOfDay);

// The local date and time now as an ordinary date-time value.
double CurrentDateTimeValue();

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
