// Helpers for the table tests: a catalogue table on disk with a checksum in every record and a
// memo, made by our own code; appending, rewriting and reading records and memos through a
// table object under its locks, as cursors will.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BlobTestSupport.h"
#include "DataFileTestSupport.h"
#include "engine/storage/blob/BlobChain.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

constexpr const char* kCatalogue = "KATALOG";

// Id, checksum, name and memo.
inline TTableDefinition CatalogueDefinition() {
  TTableDefinition definition;
  definition.Fields = FieldList({TFieldDefinition::Make("Id", TFieldType::Integer),
                                 TFieldDefinition::Make("Sum", TFieldType::Integer),
                                 TFieldDefinition::Make("Name", TFieldType::String, 40),
                                 TFieldDefinition::Make("Popis", TFieldType::Blob)});
  return definition;
}

inline std::string NameOf(int32_t id, int32_t version) {
  return "Zaznam " + std::to_string(id) + " verze " + std::to_string(version);
}

inline int32_t ChecksumOf(int32_t id, const std::string& name) {
  uint32_t sum = static_cast<uint32_t>(id) * 2654435761u;
  for (unsigned char c : name) sum = sum * 31 + c;
  return static_cast<int32_t>(sum & 0x7FFFFFFF);
}

// Makes the catalogue table in the directory and closes it again.
inline void CreateCatalogue(const std::string& directory) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  TDataTable* table = database->CreateTable(kCatalogue, false, CatalogueDefinition());
  database->CloseTable(table);
}

// A session with the catalogue open shared in its directory.
class CatalogueUser {
 public:
  explicit CatalogueUser(const std::string& directory, const TTableOpenOptions& options = {}) {
    Database = Session.OpenDirectory("", directory);
    Table = Database->OpenTable(kCatalogue, false, options);
  }
  ~CatalogueUser() {
    if (Table) Database->CloseTable(Table);
  }

  TDataFile& Data() { return Table->Data(); }
  const TFieldDefinition& Field(int index) { return Data().Field(index); }

  // Appends a record under the write lock.
  int32_t Append(int32_t id) {
    Table->BeginWrite();
    TRecord* record = Data().Records().NewRecord();
    const int32_t number = record->Number();
    Fill(*record, id, 0);
    Data().Records().ReleaseRecord(record);
    Table->Index().IncrementRecordCount();
    Table->ChangesMade(true, true, false);
    Table->EndWrite();
    return number;
  }

  // Rewrites a record's name and checksum under the write lock.
  void Rewrite(int32_t number, int32_t id, int32_t version) {
    Table->BeginWrite();
    TRecord* record = Data().Records().GetRecord(number);
    Fill(*record, id, version);
    Data().Records().ReleaseRecord(record);
    Table->ChangesMade(true, false, false);
    Table->EndWrite();
  }

  // Reads a record under the read lock, starting again when the lock found a change; answers
  // false when its checksum does not match (a torn or lost record).
  bool ReadSound(int32_t number, int32_t* id = nullptr) {
    for (;;) {
      Table->BeginRead();
      TRecord* record = Data().Records().GetRecord(number);
      if (record == nullptr) {
        Table->EndRead();
        continue;
      }
      const int32_t storedId = LoadLE<int32_t>(record->FieldValue(Field(0)));
      const int32_t sum = LoadLE<int32_t>(record->FieldValue(Field(1)));
      const std::string name = LoadStringValue(record->FieldValue(Field(2)), Field(2).StoredSize());
      Data().Records().ReleaseRecord(record);
      Table->EndRead();
      if (id != nullptr) *id = storedId;
      return sum == ChecksumOf(storedId, name);
    }
  }

  // Records in the file as this user's table object knows them, after the read lock's refresh.
  int32_t RecordCount() {
    Table->BeginRead();
    const int32_t count = Data().RecordCount();
    Table->EndRead();
    return count;
  }

  // Writes the memo of a record under the write lock with a new BLOB identifier.
  void WriteMemo(int32_t number, const std::vector<uint8_t>& text) {
    Table->BeginWrite();
    TRecord* record = Data().Records().GetRecord(number);
    uint8_t* field = record->MutableFieldValue(Field(3));
    TBlobBuffer buffer;
    buffer.FirstBlock = LoadLE<uint32_t>(field);
    buffer.BlobId = Data().NextBlobId();
    buffer.RecordNumber = number;
    buffer.Bytes = text;
    WriteBlobValue(Table->Blob(), buffer);
    StoreLE(field, buffer.FirstBlock);
    StoreLE(field + 4, buffer.BlobId);
    Data().Records().ReleaseRecord(record);
    Table->ChangesMade(true, false, true);
    Table->EndWrite();
  }

  std::vector<uint8_t> ReadMemo(int32_t number) {
    for (;;) {
      Table->BeginRead();
      TRecord* record = Data().Records().GetRecord(number);
      if (record == nullptr) {
        Table->EndRead();
        continue;
      }
      TBlobBuffer buffer;
      if (const uint8_t* field = record->FieldValue(Field(3))) {
        buffer.FirstBlock = LoadLE<uint32_t>(field);
        buffer.BlobId = LoadLE<int32_t>(field + 4);
      }
      Data().Records().ReleaseRecord(record);
      ReadBlobValue(Table->Blob(), buffer);
      Table->EndRead();
      return buffer.Bytes;
    }
  }

  TDataSession Session;
  TDataDirectory* Database = nullptr;
  TDataTable* Table = nullptr;

 private:
  void Fill(TRecord& record, int32_t id, int32_t version) {
    const std::string name = NameOf(id, version);
    StoreLE(record.MutableFieldValue(Field(0)), id);
    StoreLE(record.MutableFieldValue(Field(1)), ChecksumOf(id, name));
    StoreStringValue(record.MutableFieldValue(Field(2)), Field(2).StoredSize(), name);
    record.SetModified(true);
  }
};

}  // namespace sklad::testing
