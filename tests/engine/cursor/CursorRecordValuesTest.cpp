// Field values of new and edited records through the cursor: default values by type, string
// trimming and casing, boolean normalisation, and validation against required flags and
// inclusive limits with the exact errors.
#include <gtest/gtest.h>

#include <cstring>

#include "EditingTestSupport.h"
#include "engine/storage/data/BcdValue.h"
#include "engine/storage/data/DateTimeValues.h"
#include "engine/storage/data/FieldEncoding.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

constexpr const char* kLimits = "MEZE";
enum : int { kName = 1, kCode, kAmount, kPrice, kRatio, kFlag, kDay, kStamp, kUpper, kLower, kTitle, kRaw };

TFieldDefinition Field(const char* name, TFieldType type, int size = 0, int scale = 0) {
  return TFieldDefinition::Make(name, type, size, subtype::None, scale);
}

TTableDefinition LimitsDefinition() {
  TTableDefinition definition;
  TFieldDefinition name = Field("Name", TFieldType::String, 10);
  name.SetRequired(true);
  definition.Fields.Add(name);
  TFieldDefinition code = Field("Code", TFieldType::String, 10);
  code.SetMinimum("B");
  code.SetMaximum("M");
  definition.Fields.Add(code);
  TFieldDefinition amount = Field("Amount", TFieldType::Integer);
  amount.SetMinimum("10");
  amount.SetMaximum("20");
  amount.SetDefault("15");
  definition.Fields.Add(amount);
  TFieldDefinition price = Field("Price", TFieldType::BCD, 0, 2);
  price.SetMinimum("1.5");
  price.SetDefault("2.25");
  definition.Fields.Add(price);
  TFieldDefinition ratio = Field("Ratio", TFieldType::Float);
  ratio.SetMinimum("0");
  ratio.SetDefault("2.5");
  definition.Fields.Add(ratio);
  TFieldDefinition flag = Field("Flag", TFieldType::Boolean);
  flag.SetDefault("true");
  definition.Fields.Add(flag);
  TFieldDefinition day = Field("Day", TFieldType::Date);
  day.SetDefault("date");
  day.SetMaximum("2999-12-31");
  definition.Fields.Add(day);
  TFieldDefinition stamp = Field("Stamp", TFieldType::TimeStamp);
  stamp.SetDefault("NOW");
  definition.Fields.Add(stamp);
  TFieldDefinition upper = Field("Upper", TFieldType::String, 6);
  upper.SetCasing(casing::Upper);
  definition.Fields.Add(upper);
  TFieldDefinition lower = Field("Lower", TFieldType::String, 6);
  lower.SetCasing(casing::Lower);
  definition.Fields.Add(lower);
  TFieldDefinition title = Field("Title", TFieldType::String, 12);
  title.SetDefault("Bez nazvu");
  definition.Fields.Add(title);
  definition.Fields.Add(Field("Raw", TFieldType::Bytes, 3));
  return definition;
}

class CursorRecordValuesTest : public ::testing::Test {
 public:  // the table of validation cases changes the record through the fixture
  void SetUp() override {
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    FDatabase->CloseTable(FDatabase->CreateTable(kLimits, false, LimitsDefinition()));
    FCursor = std::make_unique<TDataCursor>(*FDatabase);
    FCursor->SetTableName(kLimits);
    FCursor->Open();
    FRecord.assign(static_cast<size_t>(FCursor->RecordSize()), 0);
  }

  template <class T>
  void Put(int field, T value) {
    uint8_t bytes[16] = {};
    StoreLE(bytes, value);
    FCursor->PutField(field, FRecord.data(), bytes);
  }
  void PutString(int field, const std::string& text) { PutText(*FCursor, field, FRecord.data(), text); }
  template <class T>
  T Get(int field, bool* isNull = nullptr) {
    uint8_t bytes[16] = {};
    const bool null = FCursor->GetField(field, FRecord.data(), bytes);
    if (isNull != nullptr) *isNull = null;
    return LoadLE<T>(bytes);
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  std::unique_ptr<TDataCursor> FCursor;
  std::vector<uint8_t> FRecord;
};

TEST_F(CursorRecordValuesTest, NewRecordsTakeTheDefaults) {
  const TLocalMoment before = LocalNow();
  FCursor->InitRecord(FRecord.data());
  const TLocalMoment after = LocalNow();
  EXPECT_EQ(Get<int32_t>(kAmount), 15);
  EXPECT_EQ(DecodeBcd(Get<int64_t>(kPrice)).Digits, 225);
  EXPECT_EQ(Get<double>(kRatio), 2.5);
  EXPECT_EQ(Get<int16_t>(kFlag), 1);
  EXPECT_EQ(TextOf(*FCursor, kTitle, FRecord.data()), "Bez nazvu");
  const int32_t day = Get<int32_t>(kDay);
  EXPECT_TRUE(day == before.Day || day == after.Day);
  const double stamp = Get<double>(kStamp);
  EXPECT_GE(stamp, TimeStampValue(before.Day, before.Millisecond));
  EXPECT_LE(stamp, TimeStampValue(after.Day, after.Millisecond));
  bool isNull = false;
  Get<int32_t>(kName, &isNull);
  EXPECT_TRUE(isNull) << "no default: null";
  Get<int32_t>(kRaw, &isNull);
  EXPECT_TRUE(isNull);
}

TEST_F(CursorRecordValuesTest, StringsAreTrimmedCutAndCased) {
  struct TCase {
    int Field;
    const char* Value;
    const char* Stored;  // nullptr: the field is null
  };
  const TCase cases[] = {
      {kUpper, "  abc  ", "  ABC"}, {kLower, "MiXeD", "mixed"}, {kUpper, "abcdefghij", "ABCDEF"},
      {kTitle, "   ", nullptr},     {kTitle, "", nullptr},      {kCode, "Kniha ", "Kniha"},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Value);
    PutString(test.Field, test.Value);
    bool isNull = false;
    Get<int32_t>(test.Field, &isNull);
    EXPECT_EQ(isNull, test.Stored == nullptr);
    if (test.Stored != nullptr) {
      EXPECT_EQ(TextOf(*FCursor, test.Field, FRecord.data()), test.Stored);
    }
  }
}

TEST_F(CursorRecordValuesTest, NullValuesAndBooleans) {
  FCursor->InitRecord(FRecord.data());
  Put<int16_t>(kFlag, 7);
  EXPECT_EQ(Get<int16_t>(kFlag), 1) << "any non-zero boolean is stored as 1";
  FCursor->PutField(kAmount, FRecord.data(), nullptr);
  bool isNull = false;
  EXPECT_EQ(Get<int32_t>(kAmount, &isNull), 0);
  EXPECT_TRUE(isNull);
}

TEST_F(CursorRecordValuesTest, ValidationRaisesTheFieldsError) {
  struct TCase {
    const char* Name;
    std::function<void(CursorRecordValuesTest&)> Change;
    const char* Message;  // empty: valid
  };
  const std::string table = "' in table 'MEZE.DAT'";
  const TCase cases[] = {
      {"valid defaults", [](auto&) {}, ""},
      {"required missing", [](CursorRecordValuesTest& t) { t.FCursor->PutField(kName, t.FRecord.data(), nullptr); },
       "9732 A value must be provided for the field 'Name"},
      {"integer below", [](CursorRecordValuesTest& t) { t.Put<int32_t>(kAmount, 9); },
       "9730 The value for the field 'Amount"},
      {"integer at the minimum", [](CursorRecordValuesTest& t) { t.Put<int32_t>(kAmount, 10); }, ""},
      {"integer at the maximum", [](CursorRecordValuesTest& t) { t.Put<int32_t>(kAmount, 20); }, ""},
      {"integer above", [](CursorRecordValuesTest& t) { t.Put<int32_t>(kAmount, 21); },
       "9731 The value for the field 'Amount"},
      {"null compares as zero", [](CursorRecordValuesTest& t) { t.FCursor->PutField(kAmount, t.FRecord.data(), nullptr); },
       "9730 The value for the field 'Amount"},
      {"BCD below", [](CursorRecordValuesTest& t) { t.Put<int64_t>(kPrice, *EncodeBcd({149, 2})); },
       "9730 The value for the field 'Price"},
      {"BCD at the minimum", [](CursorRecordValuesTest& t) { t.Put<int64_t>(kPrice, *EncodeBcd({150, 2})); }, ""},
      {"float below", [](CursorRecordValuesTest& t) { t.Put<double>(kRatio, -0.5); }, "9730 The value for the field 'Ratio"},
      {"string below", [](CursorRecordValuesTest& t) { t.PutString(kCode, "A"); }, "9730 The value for the field 'Code"},
      {"string at the minimum", [](CursorRecordValuesTest& t) { t.PutString(kCode, "B"); }, ""},
      {"string above", [](CursorRecordValuesTest& t) { t.PutString(kCode, "N"); }, "9731 The value for the field 'Code"},
      {"date above", [](CursorRecordValuesTest& t) { t.Put<int32_t>(kDay, DayNumber({3000, 1, 1})); },
       "9731 The value for the field 'Day"},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    FCursor->InitRecord(FRecord.data());
    PutString(kName, "Jmeno");
    PutString(kCode, "C");
    test.Change(*this);
    const std::string message = ErrorMessage([&] { FCursor->ValidateRecord(FRecord.data()); });
    if (std::strlen(test.Message) == 0) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(test.Message), std::string::npos) << message;
      EXPECT_NE(message.find(table), std::string::npos) << message;
    }
  }
}

// Posting a record that fails validation writes nothing.
TEST_F(CursorRecordValuesTest, InvalidRecordsAreNotInserted) {
  FCursor->InitRecord(FRecord.data());
  EXPECT_EQ(ErrorCode([&] { FCursor->InsertRecord(FRecord.data(), true); }), err::ValueRequired);
  EXPECT_EQ(FCursor->GetRecordCount(), 0);
  EXPECT_EQ(FCursor->Table()->Data().RecordCount(), 0);
  PutString(kName, "Jmeno");
  PutString(kCode, "C");
  FCursor->InsertRecord(FRecord.data(), true);
  EXPECT_EQ(FCursor->GetRecordCount(), 1);
}

}  // namespace
}  // namespace sklad
