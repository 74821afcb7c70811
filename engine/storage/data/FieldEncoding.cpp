#include "FieldEncoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "DateTimeValues.h"
#include "engine/storage/core/FieldTypes.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

constexpr int kExtendedBias = 16383;
constexpr int kExtendedMaxExponent = 0x7FFF;

}  // namespace

double TimeStampValue(int32_t dayNumber, int32_t millisecondsOfDay) {
  return static_cast<double>(int64_t{dayNumber} * kMillisecondsPerDay + millisecondsOfDay);
}

double DateTimeValue(int32_t dayNumber, int32_t millisecondsOfDay) {
  return static_cast<double>(dayNumber - kDayNumberOf18991230) +
         static_cast<double>(millisecondsOfDay) / static_cast<double>(kMillisecondsPerDay);
}

double CurrentDateTimeValue() {
  const TLocalMoment now = LocalNow();
  return DateTimeValue(now.Day, now.Millisecond);
}

void StoreExtended(uint8_t* at, long double value) {
  uint16_t signAndExponent = std::signbit(value) ? 0x8000 : 0;
  uint64_t mantissa = 0;
  if (std::isnan(value)) {
    signAndExponent |= kExtendedMaxExponent;
    mantissa = 0xC000000000000000ULL;
  } else if (std::isinf(value)) {
    signAndExponent |= kExtendedMaxExponent;
    mantissa = 0x8000000000000000ULL;
  } else if (value != 0) {
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
    int biased = exponent - 1 + kExtendedBias;
    int shift = 64;
    if (biased <= 0) {  // too small for a normal number: denormal with exponent field 0
      shift += biased - 1;
      biased = 0;
    }
    if (biased >= kExtendedMaxExponent) {  // beyond the format (only with wider long doubles)
      biased = kExtendedMaxExponent;
      mantissa = 0x8000000000000000ULL;
    } else if (shift > 0) {
      const long double scaled = std::ldexp(fraction, shift);
      mantissa = scaled >= 18446744073709551615.0L ? ~0ULL : static_cast<uint64_t>(scaled);
    }
    signAndExponent = static_cast<uint16_t>(signAndExponent | biased);
  }
  StoreLE(at, mantissa);
  StoreLE(at + 8, signAndExponent);
}

long double LoadExtended(const uint8_t* at) {
  const uint64_t mantissa = LoadLE<uint64_t>(at);
  const uint16_t signAndExponent = LoadLE<uint16_t>(at + 8);
  const bool negative = (signAndExponent & 0x8000) != 0;
  const int biased = signAndExponent & kExtendedMaxExponent;
  long double magnitude;
  if (biased == kExtendedMaxExponent) {
    magnitude = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                     : std::numeric_limits<long double>::quiet_NaN();
  } else {
    const int exponent = (biased == 0 ? 1 : biased) - kExtendedBias - 63;
    magnitude = std::ldexp(static_cast<long double>(mantissa), exponent);
  }
  return negative ? -magnitude : magnitude;
}

void StoreStringValue(uint8_t* at, int storedSize, std::string_view text) {
  const size_t length = std::min(text.size(), static_cast<size_t>(std::max(storedSize - 1, 0)));
  std::memset(at, 0, static_cast<size_t>(storedSize));
  if (length > 0) std::memcpy(at, text.data(), length);
}

std::string LoadStringValue(const uint8_t* at, int storedSize) {
  const auto* begin = reinterpret_cast<const char*>(at);
  const auto* end = std::find(begin, begin + storedSize, '\0');
  return std::string(begin, end);
}

}  // namespace sklad
