// Helpers for the dataset filter and BLOB stream tests: a catalogue table (Id, section r, name,
// number n, memo popis) created through the directory in a chosen language and filled through the
// cursor's editing, memos written through the cursor's BLOB access.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/SkladTable.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/LittleEndian.h"
#include "tests/engine/cursor/CatalogueTestSupport.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

constexpr uint16_t kCzechLanguage = 1029;

class CatalogueDirectory {
 public:
  explicit CatalogueDirectory(const std::vector<CatalogueRecord>& records, uint16_t language = kCzechLanguage) {
    TDataSession session;
    TDataDirectory* database = session.OpenDirectory("", Path());
    database->CloseTable(database->CreateTable(kCatalogue, false, CatalogueDefinition(language)));
    TDataCursor cursor(*database);
    cursor.SetTableName(kCatalogue);
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    for (const CatalogueRecord& values : records) {
      cursor.InitRecord(record.data());
      uint8_t id[4];
      StoreLE(id, values.Id);
      cursor.PutField(kIdField, record.data(), id);
      PutText(cursor, kSectionField, record.data(), values.Section);
      PutText(cursor, kNameField, record.data(), values.Name);
      if (!values.Memo.empty()) {
        EXPECT_EQ(cursor.OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobWrite), 0);
        EXPECT_EQ(cursor.WriteBlob(kMemoField, record.data(), static_cast<int32_t>(values.Memo.size()),
                                   reinterpret_cast<const uint8_t*>(values.Memo.data()), 0),
                  0);
      }
      cursor.InsertRecord(record.data(), false);
    }
    cursor.Close();
  }

  // The directory as a dataset names it: a path with "/" separators and a trailing one.
  std::string Path() const { return FDirectory.Path().string() + "/"; }

 private:
  static void PutText(TDataCursor& cursor, int field, uint8_t* record, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(256, 0);
    cursor.PutField(field, record, bytes.data());
  }

  TempDir FDirectory;
};

inline void PointAtCatalogue(TSkladTable& table, const CatalogueDirectory& directory) {
  table.SetDatabaseName(directory.Path());
  table.SetTableName(kCatalogue);
}

}  // namespace sklad::testing
