// Helpers for the filter and BLOB tests: a catalogue table (Id with a primary index, section r
// and number n with secondary indexes, the number's ascending or descending, name with a
// case-insensitive index, memo popis) in a chosen language, written through
// the table object with memos stored in the BLOB file, and a model of its records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/CursorIndex.h"
#include "engine/storage/BlobChain.h"
#include "engine/storage/DataDirectory.h"
#include "engine/storage/DataTable.h"
#include "engine/storage/FieldEncoding.h"
#include "engine/storage/LittleEndian.h"

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

inline TTableDefinition CatalogueDefinition(uint16_t language, bool descendingNumbers = false) {
  TTableDefinition definition;
  definition.Properties.Language = language;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("r", TFieldType::String, 3));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  definition.Primary.SetFieldNumber(0, kIdField);
  for (auto [name, field] : {std::pair{"ByR", kSectionField}, std::pair{"ByN", kNumberField},
                             std::pair{"ByName", kNameField}}) {
    TIndexDefinition index;
    index.SetName(name);
    index.SetFieldNumber(0, static_cast<uint16_t>(field));
    if (field == kNumberField) index.SetDescending(descendingNumbers);
    if (field == kNameField) index.SetCaseInsensitive(true);
    definition.Secondary.Add(index);
  }
  return definition;
}

// Appends records to the catalogue table, under its write lock, with every index kept.
class CatalogueWriter {
 public:
  explicit CatalogueWriter(TDataTable& table) : FTable(table) {
    for (int i = 0; i < table.Data().FieldCount(); ++i) FFields.Add(table.Data().Field(i));
  }

  // Answers the record number the record got.
  int32_t Append(const CatalogueRecord& values) {
    FTable.BeginWrite();
    TRecord* record = FTable.Data().Records().NewRecord();
    record->SetAutoIncrementValue(FTable.Data().NextAutoIncrement());
    StoreLE(record->MutableFieldValue(Field(kIdField)), values.Id);
    StoreText(*record, kSectionField, values.Section);
    StoreText(*record, kNameField, values.Name);
    if (values.Number) StoreLE(record->MutableFieldValue(Field(kNumberField)), *values.Number);
    if (!values.Memo.empty()) {
      TBlobBuffer memo;
      memo.BlobId = FTable.Data().NextBlobId();
      memo.RecordNumber = record->Number();
      memo.Bytes.assign(values.Memo.begin(), values.Memo.end());
      WriteBlobValue(FTable.Blob(), memo);
      uint8_t* at = record->MutableFieldValue(Field(kMemoField));
      StoreLE(at, memo.FirstBlock);
      StoreLE(at + 4, memo.BlobId);
    }
    record->SetModified(true);
    const int32_t number = record->Number();
    for (int slot : {0, 1, 2, 3, kRecordStateSlot}) {
      TCursorIndex index(FTable, FFields, slot);
      std::vector<uint8_t> key(static_cast<size_t>(index.KeyLength()));
      index.Layout().BuildKey(record->Bytes(), key.data());
      index.Tree().InsertKey(key.data(), static_cast<uint32_t>(number));
    }
    FTable.Data().Records().ReleaseRecord(record);
    FTable.Index().IncrementRecordCount();
    FTable.ChangesMade(true, true, true);
    FTable.EndWrite();
    return number;
  }

  // Another user's post of a new text for the memo of a record: the chain and the stored record
  // get a new identifier; a copy of the record read before still carries the old one.
  void RewriteMemoElsewhere(int32_t recordNumber, const std::string& text) {
    FTable.BeginWrite();
    TRecord* record = FTable.Data().Records().GetRecord(recordNumber);
    uint8_t* at = record->MutableFieldValue(Field(kMemoField));
    TBlobBuffer memo;
    memo.FirstBlock = LoadLE<uint32_t>(at);
    memo.BlobId = FTable.Data().NextBlobId();
    memo.RecordNumber = recordNumber;
    memo.Bytes.assign(text.begin(), text.end());
    WriteBlobValue(FTable.Blob(), memo);
    StoreLE(at, memo.FirstBlock);
    StoreLE(at + 4, memo.BlobId);
    record->SetModified(true);
    FTable.Data().Records().ReleaseRecord(record);
    FTable.ChangesMade(true, false, true);
    FTable.EndWrite();
  }

 private:
  const TFieldDefinition& Field(int number) const { return FFields[number - 1]; }
  void StoreText(TRecord& record, int field, const std::string& text) {
    if (!text.empty()) StoreStringValue(record.MutableFieldValue(Field(field)), Field(field).StoredSize(), text);
  }

  TDataTable& FTable;
  TSystemList<TFieldDefinition> FFields;
};

}  // namespace sklad::testing
