// Helpers for the filter and BLOB tests: a catalogue table (Id with a primary index, section r
// and number n with secondary indexes, the number's ascending or descending, name with a
// case-insensitive index, memo popis; or the same fields without any index) in a chosen language,
// written through a cursor, and a model of its records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad::testing {

constexpr const char* kCatalogue = "KATALOG";
constexpr int kIdField = 1, kSectionField = 2, kNameField = 3, kNumberField = 4, kMemoField = 5;

struct CatalogueRecord {
  int32_t Id = 0;
  std::string Section;  // r: empty is null
  std::string Name;
  std::optional<int32_t> Number;  // n
  std::string Memo;     // popis: empty is null
  int32_t RecordNumber = 0;
};

// Which indexes the catalogue table gets.
enum class CatalogueIndexes { Ascending, DescendingNumbers, None };

inline TTableDefinition CatalogueDefinition(uint16_t language, CatalogueIndexes indexes = CatalogueIndexes::Ascending) {
  TTableDefinition definition;
  definition.Properties.Language = language;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("r", TFieldType::String, 3));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  if (indexes == CatalogueIndexes::None) return definition;
  definition.Primary.SetFieldNumber(0, kIdField);
  for (auto [name, field] : {std::pair{"ByR", kSectionField}, std::pair{"ByN", kNumberField},
                             std::pair{"ByName", kNameField}}) {
    TIndexDefinition index;
    index.SetName(name);
    index.SetFieldNumber(0, static_cast<uint16_t>(field));
    if (field == kNumberField) index.SetDescending(indexes == CatalogueIndexes::DescendingNumbers);
    if (field == kNameField) index.SetCaseInsensitive(true);
    definition.Secondary.Add(index);
  }
  return definition;
}

// Writes records into the catalogue table through a cursor of its own, as any program would.
class CatalogueWriter {
 public:
  explicit CatalogueWriter(TDataDirectory& database) : FCursor(database) {
    FCursor.SetTableName(kCatalogue);
    FCursor.Open();
    FRecord.resize(static_cast<size_t>(FCursor.RecordSize()));
  }

  // Answers the record number the record got.
  int32_t Append(const CatalogueRecord& values) {
    uint8_t* record = FRecord.data();
    FCursor.InitRecord(record);
    PutInteger(kIdField, values.Id);
    PutText(kSectionField, values.Section);
    PutText(kNameField, values.Name);
    if (values.Number) PutInteger(kNumberField, *values.Number);
    if (!values.Memo.empty()) WriteMemo(values.Memo);
    FCursor.InsertRecord(record, false);
    return LoadLE<int32_t>(FCursor.CurrentRecord().data() + 1);
  }

  // Another user's post of a new text for the memo of a record: the stored record gets a new
  // value; a copy of the record read before still refers to the old one.
  void RewriteMemoElsewhere(int32_t recordNumber, const std::string& text) {
    FCursor.SelectIndex(TDataCursor::kNaturalOrder);
    FCursor.GotoRecordNumber(recordNumber);
    FCursor.ReadCurrent(FRecord.data(), false);
    FCursor.ReadCurrent(FRecord.data(), true);
    WriteMemo(text);
    FCursor.ModifyRecord(FRecord.data(), false, true);
  }

 private:
  void PutInteger(int field, int32_t value) {
    uint8_t bytes[4];
    StoreLE(bytes, value);
    FCursor.PutField(field, FRecord.data(), bytes);
  }
  void PutText(int field, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(256, 0);
    FCursor.PutField(field, FRecord.data(), bytes.data());
  }
  void WriteMemo(const std::string& text) {
    uint8_t* record = FRecord.data();
    ASSERT_EQ(FCursor.OpenBlob(kMemoField, record, 1, TDataCursor::kBlobWrite), 0);
    ASSERT_EQ(FCursor.TruncateBlob(kMemoField, record, 0), 0);
    ASSERT_EQ(FCursor.WriteBlob(kMemoField, record, static_cast<int32_t>(text.size()),
                                reinterpret_cast<const uint8_t*>(text.data()), 0),
              0);
  }

  TDataCursor FCursor;
  std::vector<uint8_t> FRecord;
};

}  // namespace sklad::testing
