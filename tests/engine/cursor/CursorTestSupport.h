// Helpers for the cursor tests: a table of books (Id with a primary index, Name with a
// non-unique secondary index) made by our own code, and appending and removing records through
// a table object with every index kept as the cursor's editing will keep it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/cursor/CursorIndex.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad::testing {

constexpr const char* kBooks = "KNIHY";
constexpr int kByName = 1;

inline TTableDefinition BooksDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Name", TFieldType::String, 20));
  definition.Primary.SetFieldNumber(0, 1);
  TIndexDefinition byName;
  byName.SetName("ByName");
  byName.SetFieldNumber(0, 2);
  definition.Secondary.Add(byName);
  return definition;
}

// Makes the books table in the directory and closes it again.
inline void CreateBooks(const std::string& directory) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  database->CloseTable(database->CreateTable(kBooks, false, BooksDefinition()));
}

// Writes records of the books table through a table object, under its write lock. Slots it
// freed itself are reused cleanly; one writer serves a table for a whole test.
class BookWriter {
 public:
  explicit BookWriter(TDataTable& table) : FTable(table) {
    for (int i = 0; i < table.Data().FieldCount(); ++i) FFields.Add(table.Data().Field(i));
  }

  // Answers the record number the record got.
  int32_t Append(int32_t id, const std::string& name) {
    FTable.BeginWrite();
    TRecord* record = FTable.Data().Records().NewRecord();
    record->SetAutoIncrementValue(FTable.Data().NextAutoIncrement());
    StoreLE(record->MutableFieldValue(FFields[0]), id);
    StoreStringValue(record->MutableFieldValue(FFields[1]), FFields[1].StoredSize(), name);
    record->SetModified(true);
    const int32_t number = record->Number();
    // A reused slot gives up the record-state key it had while deleted.
    if (auto freed = FFreedStateKeys.find(number); freed != FFreedStateKeys.end()) {
      TCursorIndex(FTable, FFields, kRecordStateSlot).Tree().DeleteKey(freed->second.data());
      FFreedStateKeys.erase(freed);
    }
    for (int slot : {0, kByName, kRecordStateSlot}) InsertKey(slot, *record);
    FTable.Data().Records().ReleaseRecord(record);
    FTable.Index().IncrementRecordCount();
    FTable.ChangesMade(true, true, false);
    FTable.EndWrite();
    return number;
  }

  // Frees the record; its record-state key then marks a deleted slot.
  void Remove(int32_t number) {
    FTable.BeginWrite();
    TRecord* record = FTable.Data().Records().GetRecord(number);
    for (int slot : {0, kByName, kRecordStateSlot}) DeleteKey(slot, *record);
    FTable.Data().Records().FreeRecord(*record);
    InsertKey(kRecordStateSlot, *record);
    TCursorIndex states(FTable, FFields, kRecordStateSlot);
    FFreedStateKeys[number] = KeyOf(states, *record);
    FTable.Data().Records().ReleaseRecord(record);
    FTable.Index().DecrementRecordCount();
    FTable.ChangesMade(true, true, false);
    FTable.EndWrite();
  }

 private:
  std::vector<uint8_t> KeyOf(const TCursorIndex& index, const TRecord& record) {
    std::vector<uint8_t> key(static_cast<size_t>(index.KeyLength()));
    index.Layout().BuildKey(record.Bytes(), key.data());
    return key;
  }
  void InsertKey(int slot, const TRecord& record) {
    TCursorIndex index(FTable, FFields, slot);
    index.Tree().InsertKey(KeyOf(index, record).data(), static_cast<uint32_t>(record.Number()));
  }
  void DeleteKey(int slot, const TRecord& record) {
    TCursorIndex index(FTable, FFields, slot);
    index.Tree().DeleteKey(KeyOf(index, record).data());
  }

  TDataTable& FTable;
  TSystemList<TFieldDefinition> FFields;
  std::map<int32_t, std::vector<uint8_t>> FFreedStateKeys;
};

}  // namespace sklad::testing
