// Helpers for the cursor editing tests: a table of editions with an auto-increment field, a
// primary index, a unique and a non-unique secondary index and a memo field, records built
// through the cursor's own field access, and a check that every index holds exactly the keys of
// the table's records.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad::testing {

constexpr const char* kEditions = "VYDANI";
// Field numbers and index slots of the editions table.
constexpr int kIdField = 1, kCodeField = 2, kNameField = 3, kSerialField = 4, kCountField = 5;
constexpr int kByCode = 1, kByEditionName = 2;

inline TTableDefinition EditionsDefinition(bool primaryKey = true) {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Code", TFieldType::String, 8));
  definition.Fields.Add(TFieldDefinition::Make("Name", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("Serial", TFieldType::Integer, 0, subtype::AutoIncrement));
  definition.Fields.Add(TFieldDefinition::Make("Count", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Note", TFieldType::Blob, 0, subtype::Memo));
  if (primaryKey) definition.Primary.SetFieldNumber(0, kIdField);
  TIndexDefinition byCode;
  byCode.SetName("ByCode");
  byCode.SetUnique(true);
  byCode.SetFieldNumber(0, kCodeField);
  definition.Secondary.Add(byCode);
  TIndexDefinition byName;
  byName.SetName("ByName");
  byName.SetFieldNumber(0, kNameField);
  definition.Secondary.Add(byName);
  return definition;
}

inline void CreateEditions(const std::string& directory, bool primaryKey = true) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  database->CloseTable(database->CreateTable(kEditions, false, EditionsDefinition(primaryKey)));
}

inline int ErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

inline std::string ErrorMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.what();
  }
  return {};
}

struct TEdition {
  int32_t Id = 0;
  std::string Code;
  std::string Name;
  int32_t Count = 0;
};

inline void PutInteger(TDataCursor& cursor, int field, uint8_t* record, int32_t value) {
  uint8_t bytes[4];
  StoreLE(bytes, value);
  cursor.PutField(field, record, bytes);
}

inline void PutText(TDataCursor& cursor, int field, uint8_t* record, const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.resize(256, 0);
  cursor.PutField(field, record, bytes.data());
}

inline int32_t IntegerOf(TDataCursor& cursor, int field, const uint8_t* record) {
  uint8_t bytes[4] = {};
  cursor.GetField(field, record, bytes);
  return LoadLE<int32_t>(bytes);
}

inline std::string TextOf(TDataCursor& cursor, int field, const uint8_t* record) {
  std::vector<uint8_t> bytes(256, 0);
  cursor.GetField(field, record, bytes.data());
  return reinterpret_cast<const char*>(bytes.data());
}

inline std::vector<uint8_t> EditionRecord(TDataCursor& cursor, const TEdition& edition) {
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.InitRecord(record.data());
  PutInteger(cursor, kIdField, record.data(), edition.Id);
  PutText(cursor, kCodeField, record.data(), edition.Code);
  PutText(cursor, kNameField, record.data(), edition.Name);
  PutInteger(cursor, kCountField, record.data(), edition.Count);
  return record;
}

inline TEdition EditionOf(TDataCursor& cursor, const uint8_t* record) {
  return {IntegerOf(cursor, kIdField, record), TextOf(cursor, kCodeField, record), TextOf(cursor, kNameField, record),
          IntegerOf(cursor, kCountField, record)};
}

// Every index of the table, the record-state index included, holds exactly the keys of the
// table's records and the index header counts the active records. Answers that count.
inline int32_t ExpectIndexesMatchRecords(TDataTable& table) {
  EXPECT_EQ(CheckTable(table), std::vector<std::string>{});
  return table.Index().RecordCount();
}

}  // namespace sklad::testing
