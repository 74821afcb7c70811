#include "engine/storage/data/DataFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "DataFileTestSupport.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {
namespace {

using testing::CreateTable;
using testing::EngineErrorCode;
using testing::FieldList;
using testing::FileBytes;
using testing::UniqueTableName;

class DataFileTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!FName.empty()) testing::DeleteFile(FName);
  }
  std::string Name(const std::string& stem) { return FName = UniqueTableName(stem); }
  std::string FName;
};

TEST_F(DataFileTest, OneStringFieldOfSizeTenLaysOutAndStoresAsSpecified) {
  const std::string name = Name("worked");
  TTableProperties properties;
  properties.Language = 1029;
  properties.UserMajorVersion = 2;
  properties.UserMinorVersion = 11;
  properties.Description = "Katalog";
  CreateTable(name, FieldList({TFieldDefinition::Make("name", TFieldType::String, 10)}), properties);

  TDataFile file(name, true);
  file.Open();
  EXPECT_EQ(file.RecordSize(), 21);
  EXPECT_EQ(file.RecordOffset(1), 895);
  EXPECT_EQ(file.Field(0).Offset(), 9);
  EXPECT_EQ(file.Field(0).StoredSize(), 11);
  file.Close();

  const std::vector<uint8_t> bytes = FileBytes(name);
  ASSERT_EQ(bytes.size(), 895u);
  EXPECT_EQ(LoadLE<int32_t>(&bytes[0]), 1);  // one header write so far
  EXPECT_EQ(LoadLE<int32_t>(&bytes[4]), 0);
  EXPECT_EQ(bytes[8], 4);
  EXPECT_EQ(LoadLE<int32_t>(&bytes[9]), 0);
  EXPECT_EQ(LoadLE<int32_t>(&bytes[13]), 1);
  EXPECT_EQ(LoadLE<int32_t>(&bytes[17]), 0);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[21]), 21);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[23]), 1);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[25]), 0);
  const double written = LoadLE<double>(&bytes[27]);
  EXPECT_NEAR(written, CurrentDateTimeValue(), 1.0);  // the ordinary date-time value of now
  EXPECT_EQ(bytes[35], 7);
  EXPECT_EQ(std::memcmp(&bytes[36], "Katalog", 7), 0);
  EXPECT_EQ(bytes[86], 0);
  EXPECT_EQ(bytes[87], 0);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[103]), 1029);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[105]), 0);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[107]), 2);
  EXPECT_EQ(LoadLE<uint16_t>(&bytes[109]), 11);
  EXPECT_EQ(bytes[111], 1);  // written with its value at the time: the header had changes
  EXPECT_EQ(LoadLE<int32_t>(&bytes[112]), 0);
  EXPECT_EQ(LoadLE<int64_t>(&bytes[116]), 21100);
  EXPECT_EQ(bytes[124] | bytes[125] | bytes[126], 0);

  const uint8_t* definition = &bytes[127];
  EXPECT_EQ(LoadLE<uint16_t>(definition), 1);
  EXPECT_EQ(definition[2], 4);
  EXPECT_EQ(std::memcmp(definition + 3, "name", 4), 0);
  EXPECT_EQ(definition[84], 1);
  EXPECT_EQ(definition[86], 10);
  EXPECT_EQ(definition[88], 11);
  EXPECT_EQ(LoadLE<uint16_t>(definition + 90), 9);
}

TEST_F(DataFileTest, RecordLayoutOfSystemOnlyAndMixedTables) {
  auto autoIncrementOnly = FieldList({TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement)});
  EXPECT_EQ(LayOutRecord(autoIncrementOnly), 9);
  EXPECT_EQ(autoIncrementOnly[0].Offset(), kAutoIncrementAt);

  auto mixed = FieldList({TFieldDefinition::Make("a", TFieldType::SmallInt),
                          TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement),
                          TFieldDefinition::Make("b", TFieldType::Extended),
                          TFieldDefinition::Make("c", TFieldType::String, 3)});
  EXPECT_EQ(LayOutRecord(mixed), 9 + 3 + 11 + 5);
  EXPECT_EQ(mixed[0].Offset(), 9);
  EXPECT_EQ(mixed[1].Offset(), 5);
  EXPECT_EQ(mixed[2].Offset(), 12);
  EXPECT_EQ(mixed[3].Offset(), 23);
  EXPECT_EQ(mixed[3].Number(), 4);
}

TEST_F(DataFileTest, CreationLimits) {
  TSystemList<TFieldDefinition> blobs;
  for (int i = 0; i < 65; ++i) blobs.Add(TFieldDefinition::Make("b" + std::to_string(i), TFieldType::Blob));
  TDataFile tooManyBlobs(Name("blobs"), true);
  EXPECT_EQ(EngineErrorCode([&] { tooManyBlobs.Create({}, blobs); }), err::BlobFieldLimits);
  blobs.SetCount(64);
  EXPECT_EQ(EngineErrorCode([&] { tooManyBlobs.Create({}, blobs); }), 0);
  EXPECT_EQ(tooManyBlobs.BlobFieldCount(), 64);
  tooManyBlobs.Close();

  // 260 string fields of 250 take 9 + 260 × 252 = 65,529 bytes; a bytes field of 6 more makes
  // 65,536, one of 5 makes 65,535.
  auto fields = [](int lastSize) {
    TSystemList<TFieldDefinition> list;
    for (int i = 0; i < 260; ++i) list.Add(TFieldDefinition::Make("s" + std::to_string(i), TFieldType::String, 250));
    list.Add(TFieldDefinition::Make("tail", TFieldType::Bytes, lastSize));
    return list;
  };
  TDataFile big(UniqueTableName("big"), true);
  EXPECT_EQ(EngineErrorCode([&] { big.Create({}, fields(6)); }), err::RecordSizeExceeded);
  EXPECT_EQ(EngineErrorCode([&] { big.Create({}, fields(5)); }), 0);
  EXPECT_EQ(big.RecordSize(), 65535);
  big.Close();
  testing::DeleteFile(big.FileName());
}

TEST_F(DataFileTest, HeaderChangeDetectionUsesOnlyTheCounter) {
  const std::string name = Name("changes");
  CreateTable(name, FieldList({TFieldDefinition::Make("n", TFieldType::Integer)}));
  TDataFile reader(name, true), writer(name, true);
  reader.Open();
  writer.Open();
  EXPECT_FALSE(reader.HeaderChanged());

  writer.SetLastAutoIncrement(41);
  writer.WriteHeader(false);
  EXPECT_TRUE(reader.HeaderChanged());
  EXPECT_EQ(reader.LastAutoIncrement(), 41);
  EXPECT_FALSE(reader.Header().Modified());

  // Same counter, other content: not noticed.
  std::vector<uint8_t> bytes = FileBytes(name);
  StoreLE<int32_t>(&bytes[17], 99);
  testing::SetFileBytes(name, bytes);
  EXPECT_FALSE(reader.HeaderChanged());
  EXPECT_EQ(reader.LastAutoIncrement(), 41);

  writer.WriteHeader(false);  // nothing modified, nothing forced: no write
  EXPECT_FALSE(reader.HeaderChanged());
  writer.MarkHeaderChanged();  // counts, but does not write
  EXPECT_FALSE(reader.HeaderChanged());
  writer.WriteHeader(false);
  EXPECT_TRUE(reader.HeaderChanged());
  EXPECT_EQ(reader.Header().ChangeCounter(), writer.Header().ChangeCounter());
}

TEST_F(DataFileTest, CountersWrapToOne) {
  TDataFile file(Name("counters"), true);
  file.Create({}, FieldList({TFieldDefinition::Make("n", TFieldType::Integer)}));
  EXPECT_EQ(file.NextAutoIncrement(), 1);
  EXPECT_EQ(file.NextAutoIncrement(), 2);
  file.SetLastAutoIncrement(2147483647);
  EXPECT_EQ(file.NextAutoIncrement(), 1);
  EXPECT_EQ(file.NextBlobId(), 1);
  EXPECT_TRUE(file.Header().Modified());
}

TEST_F(DataFileTest, EmptyRestartsRecordsAndAutoIncrement) {
  const std::string name = Name("empty");
  TDataFile file(name, true);
  file.Create({}, FieldList({TFieldDefinition::Make("n", TFieldType::Integer)}));
  for (int i = 0; i < 5; ++i) {
    TRecord* record = file.Records().NewRecord();
    record->SetAutoIncrementValue(file.NextAutoIncrement());
    file.Records().ReleaseRecord(record);
  }
  file.Records().WriteModified(false);
  file.WriteHeader(true);
  file.WriteFieldDefinitions();
  EXPECT_EQ(file.GetSize(), file.RecordOffset(6));

  file.Empty();
  EXPECT_EQ(file.GetSize(), file.DefinitionsEnd());
  EXPECT_EQ(file.RecordCount(), 0);
  TRecord* record = file.Records().NewRecord();
  EXPECT_EQ(record->Number(), 1);
  record->Clear(true);
  EXPECT_EQ(record->AutoIncrementValue(), 1);
  file.Records().ReleaseRecord(record);
}

TEST_F(DataFileTest, EncryptedTableKeepsTextsDefinitionsAndRecordsScrambled) {
  const std::string name = Name("secret");
  TTableProperties properties;
  properties.Encrypted = true;
  properties.Password = "heslo-ktere-je-prilis-dlouhe";
  properties.Description = "Tajny katalog";
  {
    TDataFile file(name, true);
    file.Create(properties, FieldList({TFieldDefinition::Make("jmeno", TFieldType::String, 20)}));
    TRecord* record = file.Records().NewRecord();
    StoreStringValue(record->MutableFieldValue(file.Field(0)), 21, "Obsah CD");
    file.Records().ReleaseRecord(record);
    file.Records().WriteModified(false);
    file.WriteHeader(true);
    file.WriteFieldDefinitions();
  }
  const std::vector<uint8_t> bytes = FileBytes(name);
  const std::string raw(bytes.begin(), bytes.end());
  for (const char* plain : {"heslo", "Tajny", "jmeno", "Obsah"}) EXPECT_EQ(raw.find(plain), std::string::npos) << plain;
  EXPECT_EQ(bytes[86], 1);
  EXPECT_EQ(bytes[87], 15);  // the password is cut to its 15 characters
  EXPECT_EQ(bytes[35], 13);  // the length bytes stay plain

  TDataFile file(name, true);
  file.Open();
  file.CheckConsistency();
  EXPECT_EQ(file.Password(), "heslo-ktere-je-");
  EXPECT_EQ(file.Description(), "Tajny katalog");
  EXPECT_EQ(file.Field(0).Name(), "jmeno");
  TRecord* record = file.Records().GetRecord(1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(LoadStringValue(record->FieldValue(file.Field(0)), 21), "Obsah CD");
  EXPECT_EQ(LoadLE<int32_t>(record->Bytes() + kRecordNumberAt), 1);
  file.Records().ReleaseRecord(record);

  file.UpdateTableProperties("nove", "Jiny popis", 0, 1, 0);
  EXPECT_EQ(file.Password(), "nove");
  EXPECT_EQ(file.Description(), "Jiny popis");
}

TEST_F(DataFileTest, OlderEnginesScrambledOnlyTheLowSixteenBitsOfTheDefinitionArea) {
  // 100 definitions are 76,800 bytes; an old engine unscrambles 76,800 mod 65,536 = 11,264 of them.
  const std::string name = Name("old");
  TSystemList<TFieldDefinition> fields;
  for (int i = 0; i < 100; ++i) fields.Add(TFieldDefinition::Make("f" + std::to_string(i), TFieldType::Integer));
  TTableProperties properties;
  properties.Encrypted = true;
  CreateTable(name, fields, properties);

  std::vector<uint8_t> bytes = FileBytes(name);
  StoreLE<int64_t>(&bytes[116], 0);
  testing::SetFileBytes(name, bytes);
  TDataFile file(name, true);
  file.Open();
  // Definition 15 lies at bytes 10,752..11,519 of the area: its first 512 bytes are unscrambled,
  // its zero tail stays scrambled; definition 16 on stays scrambled as a whole.
  EXPECT_EQ(file.Field(14).Number(), 15);
  EXPECT_EQ(file.Field(14).Name(), "f14");
  EXPECT_EQ(file.Field(14).Bytes()[511], 0);
  EXPECT_NE(file.Field(14).Bytes()[512], 0);
  EXPECT_NE(file.Field(15).Name(), "f15");
}

TEST_F(DataFileTest, FieldLookupByNumberAndName) {
  const std::string name = Name("lookup");
  CreateTable(name, FieldList({TFieldDefinition::Make("Nazev", TFieldType::String, 10),
                               TFieldDefinition::Make("Cislo", TFieldType::Integer)}));
  TDataFile file(name, true);
  file.Open();
  ASSERT_NE(file.FieldByName(" nazev "), nullptr);
  EXPECT_EQ(file.FieldByName("NAZEV")->Number(), 1);
  EXPECT_EQ(file.FieldByNumber(2)->Name(), "Cislo");
  EXPECT_EQ(file.FieldByNumber(3), nullptr);
  EXPECT_EQ(file.FieldByName("jine"), nullptr);

  TFieldDefinition changed = TFieldDefinition::Make("Popis", TFieldType::Float);
  changed.SetRequired(true);
  changed.SetDefault("1");
  file.UpdateFieldDefinition(0, changed);
  EXPECT_TRUE(file.DefinitionsModified());
  EXPECT_EQ(file.Field(0).Name(), "Popis");
  EXPECT_EQ(file.Field(0).Type(), TFieldType::String);  // type and sizes stay
  EXPECT_EQ(file.Field(0).StoredSize(), 11);
  EXPECT_TRUE(file.Field(0).Required());
  EXPECT_EQ(file.Field(0).Default(), "1");
}

}  // namespace
}  // namespace sklad

namespace sklad {
namespace {

TEST(RecordFields, DefinitionsThatDoNotFitTheRecordAreRefused) {
  TDataFile file(testing::UniqueTableName("fields"), true);
  file.Create({}, testing::FieldList({TFieldDefinition::Make("a", TFieldType::Integer),
                                      TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement)}));
  TRecord* record = file.Records().NewRecord();
  TFieldDefinition beyond = file.Field(0);
  beyond.SetOffset(12);  // value bytes 13..16 of a 14-byte record
  TFieldDefinition wideAutoIncrement = file.Field(1);
  wideAutoIncrement.Bytes()[88] = 200;  // a damaged stored size
  TFieldDefinition intoTheSystemPart = file.Field(0);
  intoTheSystemPart.SetOffset(2);
  TFieldDefinition autoIncrementClaimingAnOffset = file.Field(1);
  autoIncrementClaimingAnOffset.SetOffset(133);  // its value is bytes 5..8 all the same
  EXPECT_EQ(record->FieldValue(autoIncrementClaimingAnOffset), record->Bytes() + kAutoIncrementAt);
  for (const TFieldDefinition* field : {&beyond, &wideAutoIncrement, &intoTheSystemPart}) {
    EXPECT_EQ(testing::EngineErrorCode([&] { (void)record->FieldValue(*field); }), err::RecordBuffersCorrupt);
    EXPECT_EQ(testing::EngineErrorCode([&] { (void)record->MutableFieldValue(*field); }), err::RecordBuffersCorrupt);
  }
  StoreLE<int32_t>(record->MutableFieldValue(file.Field(0)), -7);
  EXPECT_EQ(LoadLE<int32_t>(record->FieldValue(file.Field(0))), -7);
  EXPECT_FALSE(record->IsNull(file.Field(1)));
  record->SetNull(file.Field(0));
  EXPECT_TRUE(record->IsNull(file.Field(0)));
  EXPECT_EQ(record->FieldValue(file.Field(0)), nullptr);
  file.Records().ReleaseRecord(record);
  file.Close();
  testing::DeleteFile(file.FileName());
}

}  // namespace
}  // namespace sklad
