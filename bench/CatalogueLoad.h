// Builds the synthetic catalogue in both engines as a volume is built, for the benchmarks that
// compare the browser's work: records first, indexes after them.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BenchSupport.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "platform/locale/CodePage.h"
#include "tools/volume/SyntheticCatalogue.h"

namespace sklad::bench {

// The catalogue's texts are Czech, stored in code page 1250.
constexpr int kCatalogueCodePage = 1250;
// Fields p, r, typ, os, name, src, inet, then the memo popis.
constexpr int kCatalogueFieldCount = 8;
constexpr int kCatalogueMemoField = 8;

namespace catalogue_load {

inline void RunSql(TDataDirectory& database, const std::string& sql) {
  TSqlStatement statement(database, sql);
  statement.Prepare();
  statement.Execute();
}

inline void PutText(TDataCursor& cursor, int field, uint8_t* record, const std::string& utf8) {
  if (utf8.empty()) return;
  const std::string text = platform::Utf8ToCodePage(utf8, kCatalogueCodePage);
  cursor.PutField(field, record, reinterpret_cast<const uint8_t*>(text.c_str()));
}

}  // namespace catalogue_load

// The catalogue is built as `sklad import` builds a volume: CREATE TABLE through SQL, every record
// with its memo through one exclusive cursor, then CREATE INDEX, which builds each index from the
// loaded records in one pass.
inline void LoadSkladCatalogue(TDataDirectory& database, const std::string& table, int size) {
  catalogue_load::RunSql(database, "CREATE TABLE " + table + " (" +
                                       std::string(rejstrik::volume::kCatalogueColumns) + ", LANGUAGE Czech)");
  {
    TDataCursor cursor(database);
    cursor.SetTableName(table);
    cursor.SetExclusive(true);
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    for (int n = 0; n < size; ++n) {
      const rejstrik::volume::TCatalogueRecord row = rejstrik::volume::SyntheticCatalogueRecord(n);
      cursor.InitRecord(record.data());
      const std::string* texts[] = {&row.p, &row.r, &row.typ, &row.os, &row.name, &row.src, &row.inet};
      for (int field = 1; field < kCatalogueMemoField; ++field)
        catalogue_load::PutText(cursor, field, record.data(), *texts[field - 1]);
      if (!row.popis.empty()) {
        const std::string memo = platform::Utf8ToCodePage(row.popis, kCatalogueCodePage);
        cursor.OpenBlob(kCatalogueMemoField, record.data(), 1, TDataCursor::kBlobWrite);
        cursor.WriteBlob(kCatalogueMemoField, record.data(), static_cast<int32_t>(memo.size()),
                         reinterpret_cast<const uint8_t*>(memo.data()), 0);
      }
      cursor.InsertRecord(record.data(), false);
    }
  }
  for (std::string_view field : rejstrik::volume::kCatalogueIndexedFields)
    catalogue_load::RunSql(database,
                           "CREATE INDEX by_" + std::string(field) + " ON " + table + " (" + std::string(field) + ")");
}

// One bound SQLite insert per record, in one transaction, and the indexes after the records, as
// on our side.
inline void LoadSqliteCatalogue(const std::string& fileName, const std::string& table, int size) {
  const std::string schema = "CREATE TABLE " + table + " (" + std::string(rejstrik::volume::kCatalogueColumns) + ");";
  const std::string insert = "INSERT INTO " + table + " VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
  TSqliteBulkLoad load(fileName, schema.c_str(), insert.c_str());
  for (int n = 0; n < size; ++n) {
    const rejstrik::volume::TCatalogueRecord row = rejstrik::volume::SyntheticCatalogueRecord(n);
    const std::string* texts[] = {&row.p, &row.r, &row.typ, &row.os, &row.name, &row.src, &row.inet, &row.popis};
    for (int column = 1; column <= kCatalogueFieldCount; ++column) {
      const std::string& text = *texts[column - 1];
      if (text.empty()) {
        sqlite3_bind_null(load.Row(), column);
      } else {
        sqlite3_bind_text(load.Row(), column, text.c_str(), static_cast<int>(text.size()), SQLITE_STATIC);
      }
    }
    load.Add();
  }
  sqlite3* db = load.Commit();
  for (std::string_view field : rejstrik::volume::kCatalogueIndexedFields)
    Exec(db, ("CREATE INDEX by_" + std::string(field) + " ON " + table + " (" + std::string(field) + ")").c_str());
  sqlite3_close(db);
}

}  // namespace sklad::bench
