// Helpers for the key, range and key search tests: a table of authors in a chosen language with
// a two-field index, a descending index, a case-insensitive string index, an index with one
// descending field and a unique descending index, and a writer that appends authors keeping
// every index of the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/cursor/CursorIndex.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad::testing {

constexpr const char* kAuthors = "AUTORI";
constexpr uint16_t kCzech = 1029;

// Secondary index slots of the authors table; slot 0 is the primary index on Id.
enum TAuthorIndex : int {
  kBySurnameYear = 1,       // Surname, Year
  kByYearDescending,        // Year, the whole index descending
  kBySurnameAnyCase,        // Surname, case-insensitive
  kBySurnameYearDown,       // Surname, Year with the field descending
  kByIdDescending,          // Id, unique and descending
};

struct TAuthor {
  TAuthor(int32_t id = 0, std::string surname = {}, std::optional<int16_t> year = {})
      : Id(id), Surname(std::move(surname)), Year(year) {}
  int32_t Id;
  std::string Surname;  // empty: null
  std::optional<int16_t> Year;
};

inline TTableDefinition AuthorsDefinition(uint16_t language) {
  TTableDefinition definition;
  definition.Properties.Language = language;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Surname", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("Year", TFieldType::SmallInt));
  definition.Primary.SetFieldNumber(0, 1);
  auto add = [&](const char* name, std::vector<uint16_t> fields, auto configure) {
    TIndexDefinition index;
    index.SetName(name);
    for (size_t i = 0; i < fields.size(); ++i) index.SetFieldNumber(static_cast<int>(i), fields[i]);
    configure(index);
    definition.Secondary.Add(index);
  };
  add("BySurnameYear", {2, 3}, [](TIndexDefinition&) {});
  add("ByYearDescending", {3}, [](TIndexDefinition& index) { index.SetDescending(true); });
  add("BySurnameAnyCase", {2}, [](TIndexDefinition& index) { index.SetCaseInsensitive(true); });
  add("BySurnameYearDown", {2, 3}, [](TIndexDefinition& index) { index.SetFieldDescending(1, true); });
  add("ByIdDescending", {1}, [](TIndexDefinition& index) {
    index.SetUnique(true);
    index.SetDescending(true);
  });
  return definition;
}

// Makes the authors table in the directory and closes it again.
inline void CreateAuthors(const std::string& directory, uint16_t language, const std::string& password = {}) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  TTableDefinition definition = AuthorsDefinition(language);
  definition.Properties.Encrypted = !password.empty();
  definition.Properties.Password = password;
  database->CloseTable(database->CreateTable(kAuthors, false, definition));
}

// A record buffer of the authors table holding an author.
inline std::vector<uint8_t> AuthorRecord(TDataTable& data, const TAuthor& author) {
  std::vector<uint8_t> record(static_cast<size_t>(data.Data().RecordSize()), 0);
  const TFieldDefinition id = data.Data().Field(0), surname = data.Data().Field(1), year = data.Data().Field(2);
  record[id.Offset()] = 1;
  StoreLE(record.data() + id.Offset() + 1, author.Id);
  if (!author.Surname.empty()) {
    record[surname.Offset()] = 1;
    StoreStringValue(record.data() + surname.Offset() + 1, surname.StoredSize(), author.Surname);
  }
  if (author.Year) {
    record[year.Offset()] = 1;
    StoreLE(record.data() + year.Offset() + 1, *author.Year);
  }
  return record;
}

// Appends authors through a table object, under its write lock, with the keys of every index.
class AuthorWriter {
 public:
  explicit AuthorWriter(TDataTable& table) : FTable(table) {
    for (int i = 0; i < table.Data().FieldCount(); ++i) FFields.Add(table.Data().Field(i));
  }

  // Answers the record number the author got.
  int32_t Append(const TAuthor& author) {
    const std::vector<uint8_t> bytes = AuthorRecord(FTable, author);
    FTable.BeginWrite();
    TRecord* record = FTable.Data().Records().NewRecord();
    const int32_t number = record->Number();
    record->SetFieldArea(bytes.data());
    record->SetAutoIncrementValue(FTable.Data().NextAutoIncrement());
    record->SetModified(true);
    for (int slot = 0; slot <= FTable.Index().SecondaryCount(); ++slot) InsertKey(slot, *record);
    InsertKey(kRecordStateSlot, *record);
    FTable.Data().Records().ReleaseRecord(record);
    FTable.Index().IncrementRecordCount();
    FTable.ChangesMade(true, true, false);
    FTable.EndWrite();
    return number;
  }

 private:
  void InsertKey(int slot, const TRecord& record) {
    TCursorIndex index(FTable, FFields, slot);
    std::vector<uint8_t> key(static_cast<size_t>(index.KeyLength()));
    index.Layout().BuildKey(record.Bytes(), key.data());
    index.Tree().InsertKey(key.data(), static_cast<uint32_t>(record.Number()));
  }

  TDataTable& FTable;
  TSystemList<TFieldDefinition> FFields;
};

}  // namespace sklad::testing
