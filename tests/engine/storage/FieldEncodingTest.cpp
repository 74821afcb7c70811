#include "engine/storage/data/FieldEncoding.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/storage/data/DateTimeValues.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/Scrambler.h"
#include "engine/storage/core/ShortString.h"

namespace sklad {
namespace {

TEST(TimeValues, TimeStampAndDateTime) {
  EXPECT_EQ(TimeStampValue(693594, 0), 693594.0 * 86400000.0);
  EXPECT_EQ(TimeStampValue(1, 1234), 86400000.0 + 1234.0);
  // The ordinary date-time value counts days from 1899-12-30.
  EXPECT_EQ(DateTimeValue(693594, 0), 0.0);
  EXPECT_EQ(DateTimeValue(DayNumber({2026, 12, 9}), 43200000), 46365.5);
  const double now = CurrentDateTimeValue();
  EXPECT_GT(now, 45000.0);  // some day after 2023, not a day count from year 1
  EXPECT_LT(now, 80000.0);
}

TEST(Extended, KnownBytes) {
  struct Case {
    long double value;
    uint64_t mantissa;
    uint16_t signAndExponent;
  };
  const Case cases[] = {
      {1.0L, 0x8000000000000000ULL, 0x3FFF},  {-2.0L, 0x8000000000000000ULL, 0xC000},
      {0.5L, 0x8000000000000000ULL, 0x3FFE},  {3.0L, 0xC000000000000000ULL, 0x4000},
      {0.0L, 0, 0},                           {-0.0L, 0, 0x8000},
      {std::numeric_limits<long double>::infinity(), 0x8000000000000000ULL, 0x7FFF},
  };
  for (const Case& c : cases) {
    uint8_t bytes[kExtendedSize];
    StoreExtended(bytes, c.value);
    EXPECT_EQ(LoadLE<uint64_t>(bytes), c.mantissa) << static_cast<double>(c.value);
    EXPECT_EQ(LoadLE<uint16_t>(bytes + 8), c.signAndExponent) << static_cast<double>(c.value);
    const long double back = LoadExtended(bytes);
    EXPECT_EQ(back, c.value);
    EXPECT_EQ(std::signbit(back), std::signbit(c.value));
  }
  uint8_t nan[kExtendedSize];
  StoreExtended(nan, std::numeric_limits<long double>::quiet_NaN());
  EXPECT_TRUE(std::isnan(LoadExtended(nan)));
}

TEST(Extended, RoundTripsDoublesAndMatchesTheHostFormatWhereItIsEightyBits) {
  const double values[] = {1.0 / 3.0, -123456.789, 1e300, -1e-300, DBL_MIN, DBL_MIN / 1024, DBL_MAX, 6.02214076e23};
  for (double value : values) {
    uint8_t bytes[kExtendedSize];
    StoreExtended(bytes, value);
    EXPECT_EQ(static_cast<double>(LoadExtended(bytes)), value);
    if constexpr (LDBL_MANT_DIG == 64) {
      long double host = value;
      EXPECT_EQ(std::memcmp(bytes, &host, kExtendedSize), 0) << value;
    }
  }
}

TEST(Extended, HostExtendedValuesRoundTripExactly) {
  if constexpr (LDBL_MANT_DIG != 64) GTEST_SKIP() << "long double is not the 80-bit format here";
  const long double values[] = {1.0L / 3.0L, LDBL_MAX, -LDBL_MIN, LDBL_MIN / 4096.0L, LDBL_TRUE_MIN};
  for (long double value : values) {
    uint8_t bytes[kExtendedSize];
    StoreExtended(bytes, value);
    EXPECT_EQ(LoadExtended(bytes), value);
    EXPECT_EQ(std::memcmp(bytes, &value, kExtendedSize), 0);
  }
}

TEST(StringValues, TerminatedPaddedAndCut) {
  uint8_t slot[6];
  std::memset(slot, 0xEE, sizeof slot);
  StoreStringValue(slot, 6, "ab");
  const uint8_t padded[6] = {'a', 'b', 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(slot, padded, 6), 0);
  StoreStringValue(slot, 6, "abcdefgh");
  EXPECT_EQ(slot[5], 0);
  EXPECT_EQ(LoadStringValue(slot, 6), "abcde");
  const uint8_t unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(LoadStringValue(unterminated, 3), "xyz");
}

TEST(ShortStrings, LengthBytePastTheSlotIsClamped) {
  uint8_t slot[4] = {255, 'a', 'b', 'c'};
  EXPECT_FALSE(ShortStringFits(slot, 4));
  EXPECT_EQ(ReadShortString(slot, 4), "abc");
  WriteShortString(slot, 4, "wxyz");
  EXPECT_TRUE(ShortStringFits(slot, 4));
  EXPECT_EQ(slot[0], 3);
  EXPECT_EQ(ReadShortString(slot, 4), "wxy");
}

TEST(Scrambling, CombinesWithBothStateBytesAndUndoesItself) {
  uint8_t bytes[4] = {0, 0, 0, 0};
  Scramble(bytes, 4, 0x10FE);  // low 0xFE, high 0x10
  // State after each byte: low counts up (wrapping), high counts down.
  const uint8_t expected[4] = {0xFE ^ 0x10, 0xFF ^ 0x0F, 0x00 ^ 0x0E, 0x01 ^ 0x0D};
  EXPECT_EQ(std::memcmp(bytes, expected, 4), 0);
  Scramble(bytes, 4, 0x10FE);
  const uint8_t zeros[4] = {};
  EXPECT_EQ(std::memcmp(bytes, zeros, 4), 0);
}

}  // namespace
}  // namespace sklad
