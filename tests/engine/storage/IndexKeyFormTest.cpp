// The ordered key forms: for every field type, values in ascending order give keys in ascending
// unsigned byte order; equal values (0.0 and -0.0) give equal keys; descending fields of tables
// without a language are stored inverted with the string terminator left zero.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/index/IndexKey.h"
#include "engine/storage/index/IndexKeyForm.h"

namespace sklad {
namespace {

constexpr uint16_t kCzech = 1029;

// The ordered form of one stored value.
template <typename T>
std::vector<uint8_t> FormOf(TFieldType type, T value) {
  uint8_t stored[sizeof(T)];
  StoreLE<T>(stored, value);
  std::vector<uint8_t> form(sizeof(T));
  StoreOrderedValue(type, stored, sizeof(T), form.data());
  return form;
}

std::vector<uint8_t> ExtendedForm(long double value) {
  uint8_t stored[kExtendedSize];
  StoreExtended(stored, value);
  std::vector<uint8_t> form(kExtendedSize);
  StoreOrderedValue(TFieldType::Extended, stored, kExtendedSize, form.data());
  return form;
}

template <typename T>
void ExpectAscending(TFieldType type, const std::vector<T>& values) {
  for (size_t i = 1; i < values.size(); ++i)
    EXPECT_LT(FormOf(type, values[i - 1]), FormOf(type, values[i])) << "type " << static_cast<int>(type) << " at " << i;
}

TEST(IndexKeyFormTest, SignedIntegersDatesAndTimesSortByValue) {
  ExpectAscending<int16_t>(TFieldType::SmallInt, {-32768, -300, -1, 0, 1, 255, 256, 32767});
  for (TFieldType type : {TFieldType::Integer, TFieldType::Date, TFieldType::Time})
    ExpectAscending<int32_t>(type, {std::numeric_limits<int32_t>::min(), -65536, -1, 0, 1, 255, 65536,
                                    std::numeric_limits<int32_t>::max()});
  ExpectAscending<int64_t>(TFieldType::BCD, {-51, -1, 0, 12342, 99990});
}

TEST(IndexKeyFormTest, UnsignedTypesSortByValue) {
  ExpectAscending<uint16_t>(TFieldType::Word, {0, 1, 255, 256, 65535});
  ExpectAscending<uint16_t>(TFieldType::Boolean, {0, 1});
  ExpectAscending<uint32_t>(TFieldType::Unsigned, {0, 1, 255, 65536, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu});
}

TEST(IndexKeyFormTest, FloatsSortByValueAndBothZerosAreOneKey) {
  const double inf = std::numeric_limits<double>::infinity();
  for (TFieldType type : {TFieldType::Float, TFieldType::TimeStamp})
    ExpectAscending<double>(type, {-inf, -1e300, -2.5, -1.0, -1e-300, 0.0, 1e-300, 1.0, 2.5, 1e300, inf});
  EXPECT_EQ(FormOf(TFieldType::Float, -0.0), FormOf(TFieldType::Float, 0.0));
}

TEST(IndexKeyFormTest, ExtendedFloatsSortByValueAndBothZerosAreOneKey) {
  const long double values[] = {-1e4000L, -2.5L, -1.0L, -1e-4000L, 0.0L, 1e-4000L, 1.0L, 2.5L, 3.0L, 1e4000L};
  for (size_t i = 1; i < std::size(values); ++i) EXPECT_LT(ExtendedForm(values[i - 1]), ExtendedForm(values[i])) << i;
  EXPECT_EQ(ExtendedForm(-0.0L), ExtendedForm(0.0L));
}

TEST(IndexKeyFormTest, DescendingFieldWithoutLanguageIsInvertedExceptTheTerminator) {
  int recordSize = 0;
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("Name", TFieldType::String, 4)}, &recordSize);
  TIndexDefinition definition;
  definition.SetUnique(true);
  definition.SetFieldNumber(0, 1);
  definition.SetFieldDescending(0, true);
  const TKeyLayout layout = TKeyLayout::ForIndex(definition, fields, 0, 0);
  ASSERT_EQ(layout.KeyLength(), 6);
  testing::TRecordBuilder record(fields, recordSize);
  record.SetString(0, "AB");
  uint8_t key[6];
  layout.BuildKey(record.Bytes(), key);
  const uint8_t expected[6] = {0xFE, 0xBE, 0xBD, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(0, std::memcmp(key, expected, 6));
  // With a language the bytes stay plain; the order reverses the comparison instead.
  const TKeyLayout withLanguage = TKeyLayout::ForIndex(definition, fields, kCzech, 0);
  withLanguage.BuildKey(record.Bytes(), key);
  const uint8_t plain[6] = {0x01, 'A', 'B', 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(key, plain, 6));
}

TEST(IndexKeyFormTest, CaseInsensitiveKeysAreUpperCasedWithTheTablesLocale) {
  int recordSize = 0;
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("Name", TFieldType::String, 8)}, &recordSize);
  TIndexDefinition definition;
  definition.SetUnique(true);
  definition.SetCaseInsensitive(true);
  definition.SetFieldNumber(0, 1);
  testing::TRecordBuilder record(fields, recordSize);
  record.SetString(0, "\xE8" "apek");  // "čapek" in code page 1250
  uint8_t key[10];
  TKeyLayout::ForIndex(definition, fields, kCzech, 0).BuildKey(record.Bytes(), key);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(key + 1)), "\xC8" "APEK");
  record.SetString(0, "abc");
  TKeyLayout::ForIndex(definition, fields, 0, 0).BuildKey(record.Bytes(), key);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(key + 1)), "ABC");
}

TEST(IndexKeyFormTest, KeyLengthsFollowTheFieldsAndUniqueness) {
  int recordSize = 0;
  const auto fields = testing::LaidOutFields(
      {TFieldDefinition::Make("Id", TFieldType::Integer), TFieldDefinition::Make("Name", TFieldType::String, 20)},
      &recordSize);
  TIndexDefinition byId;
  byId.SetUnique(true);
  byId.SetFieldNumber(0, 1);
  EXPECT_EQ(TKeyLayout::ForIndex(byId, fields, 0, 0).KeyLength(), 5);
  TIndexDefinition byName;
  byName.SetFieldNumber(0, 2);
  EXPECT_EQ(TKeyLayout::ForIndex(byName, fields, 0, 0).KeyLength(), 1 + 21 + 4);
}

TEST(IndexKeyFormTest, RecordStateKeyIsStateThenOrderedIdentity) {
  int recordSize = 0;
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("Id", TFieldType::Integer)}, &recordSize);
  testing::TRecordBuilder record(fields, recordSize);
  record.State(kRecordDeleted).Identity(7);
  uint8_t key[kRecordStateKeyLength];
  TKeyLayout::ForRecordStates().BuildKey(record.Bytes(), key);
  const uint8_t expected[] = {1, 0x80, 0, 0, 7};
  EXPECT_EQ(0, std::memcmp(key, expected, sizeof expected));
}

}  // namespace
}  // namespace sklad
