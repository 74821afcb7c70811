// 100,000 records of every field type written through the record cache, closed, reopened and
// read back: plain and encrypted tables.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "DataFileTestSupport.h"
#include "engine/storage/data/BcdValue.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {
namespace {

using testing::FieldList;

constexpr int kRecordCount = 100000;

TSystemList<TFieldDefinition> MixedFields() {
  return FieldList({
      TFieldDefinition::Make("nazev", TFieldType::String, 20),
      TFieldDefinition::Make("datum", TFieldType::Date),
      TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo),
      TFieldDefinition::Make("platny", TFieldType::Boolean),
      TFieldDefinition::Make("maly", TFieldType::SmallInt),
      TFieldDefinition::Make("cislo", TFieldType::Integer),
      TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement),
      TFieldDefinition::Make("cena", TFieldType::Float, 0, subtype::Money),
      TFieldDefinition::Make("castka", TFieldType::BCD, 0, subtype::None, 2),
      TFieldDefinition::Make("bajty", TFieldType::Bytes, 6),
      TFieldDefinition::Make("cas", TFieldType::Time),
      TFieldDefinition::Make("okamzik", TFieldType::TimeStamp),
      TFieldDefinition::Make("slovo", TFieldType::Word),
      TFieldDefinition::Make("kladne", TFieldType::Unsigned),
      TFieldDefinition::Make("presne", TFieldType::Extended),
      TFieldDefinition::Make("promenne", TFieldType::VarBytes, 5),
  });
}

// The stored bytes of field `index` in record i, or nothing when that value is null.
std::optional<std::vector<uint8_t>> ValueFor(const TFieldDefinition& field, int index, int i) {
  if (field.IsAutoIncrement()) return std::nullopt;
  if ((i + index) % 11 == 0) return std::nullopt;
  std::vector<uint8_t> bytes(field.StoredSize(), 0);
  uint8_t* at = bytes.data();
  switch (field.Type()) {
    case TFieldType::String: StoreStringValue(at, field.StoredSize(), "Zaznam c. " + std::to_string(i)); break;
    case TFieldType::Date: StoreLE<int32_t>(at, 700000 + i); break;
    case TFieldType::Blob:
      StoreLE<int32_t>(at, 512 + i * 512);
      StoreLE<int32_t>(at + 4, i);
      break;
    case TFieldType::Boolean: StoreLE<uint16_t>(at, i % 2); break;
    case TFieldType::SmallInt: StoreLE<int16_t>(at, static_cast<int16_t>(i * 7 - 30000)); break;
    case TFieldType::Integer: StoreLE<int32_t>(at, -3 * i); break;
    case TFieldType::Float: StoreLE<double>(at, i / 8.0); break;
    case TFieldType::BCD: StoreLE<int64_t>(at, *EncodeBcd({int64_t{i} * 13 - 50000, 2})); break;
    case TFieldType::Time: StoreLE<int32_t>(at, (i * 997) % 86400000); break;
    case TFieldType::TimeStamp: StoreLE<double>(at, TimeStampValue(730000 + i, (i * 331) % 86400000)); break;
    case TFieldType::Word: StoreLE<uint16_t>(at, static_cast<uint16_t>(i)); break;
    case TFieldType::Unsigned: StoreLE<uint32_t>(at, static_cast<uint32_t>(i) * 40000u); break;
    case TFieldType::Extended: StoreExtended(at, i / 3.0L); break;
    default:
      for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(i * 31 + k);
  }
  return bytes;
}

class DataFileRoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(DataFileRoundTrip, HundredThousandMixedRecordsSurviveCloseAndReopen) {
  // On disk: the file grows by a whole run of records at a time, as it does in use.
  const std::filesystem::path directory = std::filesystem::temp_directory_path() /
                                          ("sklad-roundtrip-" + std::to_string(::getpid()) + (GetParam() ? "e" : "p"));
  std::filesystem::create_directories(directory);
  const std::string name = (directory / "ROUNDTRIP.DAT").string();
  TTableProperties properties;
  properties.Encrypted = GetParam();
  properties.Password = "tajne";
  {
    TDataFile file(name, false);
    file.Create(properties, MixedFields());
    for (int i = 1; i <= kRecordCount; ++i) {
      TRecord* record = file.Records().NewRecord();
      ASSERT_NE(record, nullptr);
      record->SetAutoIncrementValue(file.NextAutoIncrement());
      for (int f = 0; f < file.FieldCount(); ++f) {
        const auto value = ValueFor(file.Field(f), f, i);
        if (value) std::memcpy(record->MutableFieldValue(file.Field(f)), value->data(), value->size());
      }
      file.Records().ReleaseRecord(record);
    }
    file.Records().WriteModified(false);
    file.WriteHeader(true);
    file.WriteFieldDefinitions();
  }

  TDataFile file(name, false);
  file.Open();
  file.CheckConsistency();
  ASSERT_EQ(file.RecordCount(), kRecordCount);
  EXPECT_EQ(file.Password(), GetParam() ? "tajne" : "");
  for (int i = 1; i <= kRecordCount; ++i) {
    TRecord* record = file.Records().GetRecord(i, {true});
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->State(), kRecordActive);
    ASSERT_EQ(record->AutoIncrementValue(), i);
    for (int f = 0; f < file.FieldCount(); ++f) {
      const TFieldDefinition& field = file.Field(f);
      const auto expected = ValueFor(field, f, i);
      if (field.IsAutoIncrement()) continue;
      ASSERT_EQ(record->IsNull(field), !expected) << field.Name() << " of record " << i;
      if (expected) {
        ASSERT_EQ(std::memcmp(record->FieldValue(field), expected->data(), expected->size()), 0)
            << field.Name() << " of record " << i;
      }
    }
    file.Records().ReleaseRecord(record);
  }
  const TFieldDefinition& extended = *file.FieldByName("presne");
  TRecord* record = file.Records().GetRecord(3);
  EXPECT_EQ(LoadExtended(record->FieldValue(extended)), 1.0L);
  file.Records().ReleaseRecord(record);
  file.Close();
  std::filesystem::remove_all(directory);
}

INSTANTIATE_TEST_SUITE_P(PlainAndEncrypted, DataFileRoundTrip, ::testing::Bool());

}  // namespace
}  // namespace sklad
