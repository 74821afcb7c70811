#include "engine/storage/data/ValueConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/storage/data/BcdValue.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageList.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

using T = TFieldType;
constexpr int kTextSize = 64;  // room for any value's text and its terminating zero

static_assert(DayNumber({1, 1, 1}) == 1);
static_assert(DayNumber({1899, 12, 30}) == kDayNumberOf18991230);
static_assert(DecodeDayNumber(DayNumber({2024, 2, 29})).Day == 29);
static_assert(DayOfWeek(DayNumber({2024, 3, 5})) == 2);  // a Tuesday
static_assert(DecodeBcd(12342).Digits == 1234 && DecodeBcd(12342).Scale == 2);
static_assert(DecodeBcd(-51).Digits == -5 && DecodeBcd(-51).Scale == 1);
static_assert(*EncodeBcd({12, 0}) == 120 && *EncodeBcd({-5, 1}) == -51);

// A value buffer holding one value, as the conversion reads and writes it.
class Value {
 public:
  template <typename V>
  static Value Of(V v) {
    Value value;
    std::memcpy(value.FBytes.data(), &v, sizeof v);
    return value;
  }
  static Value Text(std::string_view text) {
    Value value;
    std::memcpy(value.FBytes.data(), text.data(), text.size());
    return value;
  }
  template <typename V>
  V As() const {
    V v;
    std::memcpy(&v, FBytes.data(), sizeof v);
    return v;
  }
  std::string AsText() const { return reinterpret_cast<const char*>(FBytes.data()); }
  std::vector<uint8_t>& Bytes() { return FBytes; }

 private:
  std::vector<uint8_t> FBytes = std::vector<uint8_t>(kTextSize + 1, 0);
};

bool Convert(Value& value, T from, T to, int fromSize = kTextSize, int toSize = kTextSize, int fromScale = 0,
             int toScale = 0) {
  return sklad::Convert(from, fromSize, fromScale, value.Bytes(), toSize, toScale, to);
}

std::string ToText(Value value, T type, int scale = 0) {
  EXPECT_TRUE(Convert(value, type, T::String, kTextSize, kTextSize, scale, 0));
  return value.AsText();
}

Value FromText(std::string_view text, T type, int scale = 0) {
  Value value = Value::Text(text);
  EXPECT_TRUE(Convert(value, T::String, type, kTextSize, kTextSize, 0, scale));
  return value;
}

std::string ConversionError(std::string_view text, T type) {
  try {
    FromText(text, type);
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), err::InvalidConversion);
    return e.what();
  }
  return "no error";
}

const double kMoment = (DayNumber({2024, 3, 5}) * 86400000.0) + Milliseconds({13, 7, 9, 250});

class ValueConversion : public ::testing::TestWithParam<uint16_t> {
 protected:
  TLocaleScope FLocale{GetParam(), 0};
};

// Every value goes to text and comes back unchanged, under each locale.
TEST_P(ValueConversion, ValuesRoundTripThroughText) {
  const struct {
    T type;
    int scale;
    Value value;
  } cases[] = {
      {T::Date, 0, Value::Of(DayNumber({2024, 3, 5}))},   {T::Date, 0, Value::Of(DayNumber({1, 1, 1}))},
      {T::Date, 0, Value::Of(DayNumber({9999, 12, 31}))}, {T::Time, 0, Value::Of(Milliseconds({0, 0, 0, 0}))},
      {T::Time, 0, Value::Of(Milliseconds({23, 59, 59, 999}))}, {T::Time, 0, Value::Of(Milliseconds({12, 30, 0, 0}))},
      {T::TimeStamp, 0, Value::Of(kMoment)},
      {T::SmallInt, 0, Value::Of(int16_t{-32768})},       {T::Integer, 0, Value::Of(int32_t{2147483647})},
      {T::Word, 0, Value::Of(uint16_t{65535})},           {T::Unsigned, 0, Value::Of(uint32_t{4294967295u})},
      {T::Float, 0, Value::Of(1.5)},                      {T::Float, 0, Value::Of(-1234567.125)},
      {T::Float, 0, Value::Of(1e20)},                     {T::Float, 0, Value::Of(0.00001)},
      {T::Extended, 0, Value::Of(2.5L)},
      {T::BCD, 2, Value::Of(int64_t{12342})},             {T::BCD, 1, Value::Of(int64_t{-51})},
      {T::BCD, 0, Value::Of(int64_t{120})},               {T::BCD, 4, Value::Of(int64_t{-12345678904})},
      {T::Boolean, 0, Value::Of(int16_t{1})},             {T::Boolean, 0, Value::Of(int16_t{0})},
  };
  for (const auto& c : cases) {
    const std::string text = ToText(c.value, c.type, c.scale);
    const Value back = FromText(text, c.type, c.scale);
    EXPECT_EQ(std::memcmp(back.As<std::array<uint8_t, 10>>().data(), c.value.As<std::array<uint8_t, 10>>().data(),
                          StoredSize(c.type, 0)),
              0)
        << "type " << static_cast<int>(c.type) << " via '" << text << "'";
  }
}

std::vector<uint16_t> ListedLanguages() {
  std::vector<uint16_t> ids;
  for (const TLanguageEntry& entry : LanguageList()) ids.push_back(entry.Id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(EveryListedLanguage, ValueConversion, ::testing::ValuesIn(ListedLanguages()));

TEST(ValueConversionText, LocaleDecidesTheTexts) {
  const Value date = Value::Of(DayNumber({2024, 3, 5}));
  const Value time = Value::Of(Milliseconds({13, 7, 9, 0}));
  {
    TLocaleScope none(0, 0);
    EXPECT_EQ(ToText(date, T::Date), "2024-03-05");
    EXPECT_EQ(ToText(time, T::Time), "13:07:09");
    EXPECT_EQ(ToText(Value::Of(kMoment), T::TimeStamp), "2024-03-05 13:07:09.250");
    EXPECT_EQ(ToText(Value::Of(1.5), T::Float), "1.5");
    EXPECT_EQ(ToText(Value::Of(1e20), T::Float), "1E20");
    EXPECT_EQ(ToText(Value::Of(0.1 + 0.2), T::Float), "0.3");  // 15 significant digits
    EXPECT_EQ(FromText("1.5", T::Float).As<double>(), 1.5);
    EXPECT_NE(ConversionError("1,5", T::Float), "no error");
  }
  {
    TLocaleScope czech(1029, 0);
    EXPECT_EQ(ToText(date, T::Date), "05.03.2024");
    EXPECT_EQ(ToText(time, T::Time), "13:07:09");
    EXPECT_EQ(ToText(Value::Of(1.5), T::Float), "1,5");
    EXPECT_EQ(ToText(Value::Of(int64_t{12342}), T::BCD, 2), "12,34");
    EXPECT_EQ(FromText("1,5", T::Float).As<double>(), 1.5);  // '1,5' is a number in Czech
    EXPECT_EQ(FromText(" 5.3.2024 ", T::Date).As<int32_t>(), DayNumber({2024, 3, 5}));
    EXPECT_EQ(FromText("5.3.24", T::Date).As<int32_t>(), DayNumber({2024, 3, 5}));
  }
  {
    TLocaleScope american(1033, 0);
    EXPECT_EQ(ToText(date, T::Date), "3/5/2024");
    EXPECT_EQ(ToText(time, T::Time), "1:07:09 PM");
    EXPECT_EQ(FromText("12:30 AM", T::Time).As<int32_t>(), Milliseconds({0, 30, 0, 0}));
  }
}

TEST(ValueConversionText, NumbersAndBooleans) {
  TLocaleScope none(0, 0);
  EXPECT_EQ(FromText("12.34", T::BCD, 2).As<int64_t>(), 12342);
  EXPECT_EQ(FromText("-0.5", T::BCD, 1).As<int64_t>(), -51);
  EXPECT_EQ(FromText("12", T::BCD, 0).As<int64_t>(), 120);
  EXPECT_EQ(FromText("0.125", T::BCD, 2).As<int64_t>(), 132);  // halves away from zero
  EXPECT_EQ(FromText("-0.125", T::BCD, 2).As<int64_t>(), -132);
  EXPECT_EQ(FromText(" -42 ", T::SmallInt).As<int16_t>(), -42);
  EXPECT_EQ(FromText("tRuE", T::Boolean).As<int16_t>(), 1);
  EXPECT_EQ(FromText("false", T::Boolean).As<int16_t>(), 0);
  EXPECT_EQ(ToText(Value::Of(int16_t{7}), T::Boolean), "True");
  EXPECT_EQ(ToText(Value::Of(int16_t{0}), T::Boolean), "False");
  EXPECT_EQ(FromText("2.5E3", T::Float).As<double>(), 2500.0);
}

TEST(ValueConversionText, BadTextsAreRefusedWithTheReason) {
  TLocaleScope none(0, 0);
  EXPECT_EQ(ConversionError("yes", T::Boolean), "Sklad Engine Error # 9992 'yes' is not a valid boolean value");
  EXPECT_EQ(ConversionError("12a", T::Integer), "Sklad Engine Error # 9992 '12a' is not a valid integer value");
  EXPECT_EQ(ConversionError("2024-02-30", T::Date), "Sklad Engine Error # 9992 '2024-02-30' is not a valid date");
  EXPECT_EQ(ConversionError("25:00", T::Time), "Sklad Engine Error # 9992 '25:00' is not a valid time");
  EXPECT_EQ(ConversionError("2024-03-05 x", T::TimeStamp),
            "Sklad Engine Error # 9992 '2024-03-05 x' is not a valid date and time");
  const struct {
    const char* text;
    T type;
  } refused[] = {{"", T::Integer},        {"70000", T::SmallInt}, {"-1", T::Word},         {"1,000", T::Integer},
                 {"4294967296", T::Unsigned}, {"1e999", T::Float}, {"1.5.", T::Float},       {"abc", T::BCD},
                 {"99999999999999999", T::BCD}, {"2024-13-01", T::Date}, {"12:60", T::Time}, {"13:00 PM", T::Time}};
  for (const auto& c : refused) EXPECT_NE(ConversionError(c.text, c.type), "no error") << c.text;
}

TEST(ValueConversionValues, NumbersConvertAmongEachOther) {
  Value value = Value::Of(-2.75);
  ASSERT_TRUE(Convert(value, T::Float, T::Integer));
  EXPECT_EQ(value.As<int32_t>(), -2);  // truncated toward zero
  value = Value::Of(2.345);
  ASSERT_TRUE(Convert(value, T::Float, T::BCD, 8, 8, 0, 1));
  EXPECT_EQ(value.As<int64_t>(), 231);  // 2.3 at scale 1
  value = Value::Of(int64_t{-12342});
  ASSERT_TRUE(Convert(value, T::BCD, T::SmallInt, 8, 2, 2, 0));
  EXPECT_EQ(value.As<int16_t>(), -12);
  value = Value::Of(int64_t{12342});
  ASSERT_TRUE(Convert(value, T::BCD, T::Float, 8, 8, 2, 0));
  EXPECT_DOUBLE_EQ(value.As<double>(), 12.34);
  value = Value::Of(int64_t{12342});
  ASSERT_TRUE(Convert(value, T::BCD, T::BCD, 8, 8, 2, 1));
  EXPECT_EQ(value.As<int64_t>(), 1231);  // 12.3 at scale 1
  value = Value::Of(int32_t{-5});
  ASSERT_TRUE(Convert(value, T::Integer, T::Boolean));
  EXPECT_EQ(value.As<int16_t>(), 1);
  value = Value::Of(uint16_t{65535});
  ASSERT_TRUE(Convert(value, T::Word, T::Integer));
  EXPECT_EQ(value.As<int32_t>(), 65535);

  const struct {
    Value value;
    T from, to;
  } outOfRange[] = {{Value::Of(1e10), T::Float, T::Integer},
                    {Value::Of(std::numeric_limits<double>::quiet_NaN()), T::Float, T::SmallInt},
                    {Value::Of(int32_t{-1}), T::Integer, T::Word},
                    {Value::Of(1e300), T::Float, T::BCD},
                    {Value::Of(1e4000L), T::Extended, T::Float}};
  for (auto c : outOfRange) EXPECT_THROW(Convert(c.value, c.from, c.to), ESkladEngineError);
}

TEST(ValueConversionValues, DatesTimesAndTimestamps) {
  const int32_t day = DayNumber({2024, 3, 5});
  Value value = Value::Of(kMoment);
  ASSERT_TRUE(Convert(value, T::TimeStamp, T::Date));
  EXPECT_EQ(value.As<int32_t>(), day);
  value = Value::Of(kMoment);
  ASSERT_TRUE(Convert(value, T::TimeStamp, T::Time));
  EXPECT_EQ(value.As<int32_t>(), Milliseconds({13, 7, 9, 250}));
  value = Value::Of(day);
  ASSERT_TRUE(Convert(value, T::Date, T::TimeStamp));
  EXPECT_EQ(value.As<double>(), day * 86400000.0);
  value = Value::Of(int32_t{1000});
  ASSERT_TRUE(Convert(value, T::Time, T::TimeStamp));
  EXPECT_EQ(value.As<double>(), kDayNumberOf18991230 * 86400000.0 + 1000);
  value = Value::Of(std::numeric_limits<double>::infinity());
  EXPECT_THROW(Convert(value, T::TimeStamp, T::Date), ESkladEngineError);
}

TEST(ValueConversionValues, StringsAndBytesAreCutToTheTargetSize) {
  Value value = Value::Text("abcdef");
  ASSERT_TRUE(Convert(value, T::String, T::String, 7, 4));
  EXPECT_EQ(value.AsText(), "abc");
  value = Value::Of(int32_t{0x44434241});
  ASSERT_TRUE(Convert(value, T::Integer, T::Bytes, 4, 6));
  EXPECT_EQ(value.AsText(), "ABCD");
  value = Value::Text("ABCDEFGH");
  ASSERT_TRUE(Convert(value, T::Bytes, T::String, 8, 4));
  EXPECT_EQ(value.AsText(), "ABC");
  value = Value::Of(int32_t{123456});
  ASSERT_TRUE(Convert(value, T::Integer, T::String, 4, 4));
  EXPECT_EQ(value.AsText(), "123");
}

TEST(ValueConversionValues, PairsWithoutAConversionAreDeclined) {
  const struct {
    T from, to;
  } declined[] = {{T::Date, T::Integer}, {T::Integer, T::Date}, {T::Time, T::Date}, {T::Date, T::Time},
                  {T::Blob, T::String},  {T::String, T::Blob},  {T::Float, T::Time}};
  for (const auto& c : declined) {
    Value value = Value::Of(int64_t{1});
    EXPECT_FALSE(Convert(value, c.from, c.to, 8, 8)) << static_cast<int>(c.from) << "->" << static_cast<int>(c.to);
  }
  Value value = Value::Of(int32_t{1});
  EXPECT_THROW(sklad::Convert(T::String, 100, 0, value.Bytes(), 100, 0, T::Integer), std::invalid_argument);
}

TEST(FieldTexts, KeywordsTakeTheMomentOfTheCall) {
  TLocaleScope none(0, 0);
  const TLocalMoment now{DayNumber({2024, 3, 5}), Milliseconds({13, 7, 9, 250})};
  const auto convert = [&](T type, const char* text) {
    Value value;
    ConvertFieldText(type, 0, 0, text, value.Bytes(), now);
    return value;
  };
  EXPECT_EQ(convert(T::Date, "date").As<int32_t>(), now.Day);
  EXPECT_EQ(convert(T::Time, "TIME").As<int32_t>(), now.Millisecond);
  EXPECT_EQ(convert(T::TimeStamp, "NOW").As<double>(), kMoment);
  EXPECT_EQ(convert(T::TimeStamp, "DATE").As<double>(), now.Day * 86400000.0);
  EXPECT_EQ(convert(T::TimeStamp, "TIME").As<double>(), kDayNumberOf18991230 * 86400000.0 + now.Millisecond);
  EXPECT_EQ(convert(T::Date, "2020-01-02").As<int32_t>(), DayNumber({2020, 1, 2}));
  EXPECT_EQ(convert(T::Bytes, "ignored").As<int64_t>(), 0);
}

TEST(FieldTexts, ValidConstantsForTheConsistencyCheck) {
  TLocaleScope none(0, 0);
  const struct {
    T type;
    int size, scale;
    const char* text;
    bool valid;
  } cases[] = {
      {T::TimeStamp, 0, 0, "NOW", true},  {T::Date, 0, 0, "NOW", false},  {T::Date, 0, 0, "DATE", true},
      {T::Time, 0, 0, "DATE", false},     {T::TimeStamp, 0, 0, "time", true}, {T::Integer, 0, 0, "", true},
      {T::Integer, 0, 0, "12", true},     {T::Integer, 0, 0, "twelve", false}, {T::SmallInt, 0, 0, "40000", false},
      {T::BCD, 0, 2, "1.25", true},       {T::Boolean, 0, 0, "FALSE", true}, {T::Boolean, 0, 0, "0", false},
      {T::String, 11, 0, "any text longer than the field", true}, {T::Blob, 0, 0, "anything", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidFieldText(c.type, c.size, c.scale, c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace sklad
