// Helpers for the data-aware controls' tests: a Czech catalogue table (code page 1250) made
// through the engine's directory and cursor from UTF-8 texts, and a table dataset on it with a
// data source, as a window binds its controls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/DataSource.h"
#include "dataset/SkladTable.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "platform/locale/CodePage.h"
#include "tests/engine/cursor/CatalogueTestSupport.h"
#include "tests/support/TempDir.h"

namespace controls::testing {

using sklad::testing::CatalogueRecord;

constexpr uint16_t kCzechLanguage = 1029;
constexpr int kCzechCodePage = 1250;

// A record of the catalogue, texts in UTF-8; an empty text is null.
inline CatalogueRecord Record(int32_t id, std::string name, std::string section = "1", std::string memo = {}) {
  CatalogueRecord record;
  record.Id = id;
  record.Name = std::move(name);
  record.Section = std::move(section);
  record.Memo = std::move(memo);
  return record;
}

// Records numbered from 1 with the names "Kůň 1", "Kůň 2", ...; every third in section "3".
inline std::vector<CatalogueRecord> NumberedHorses(int count) {
  std::vector<CatalogueRecord> records;
  for (int n = 1; n <= count; ++n)
    records.push_back(Record(n, "Kůň " + std::to_string(n), n % 3 == 0 ? "3" : "1"));
  return records;
}

// A directory with the catalogue table (no indexes: natural order) holding the records, texts
// given in UTF-8 and stored in the table's code page.
class CzechCatalogue {
 public:
  explicit CzechCatalogue(const std::vector<CatalogueRecord>& records) {
    sklad::TDataSession session;
    sklad::TDataDirectory* database = session.OpenDirectory("", Path());
    database->CloseTable(database->CreateTable(
        sklad::testing::kCatalogue, false,
        sklad::testing::CatalogueDefinition(kCzechLanguage, sklad::testing::CatalogueIndexes::None)));
    sklad::testing::CatalogueWriter writer(*database);
    for (CatalogueRecord record : records) {
      for (std::string* text : {&record.Section, &record.Name, &record.Memo})
        *text = platform::Utf8ToCodePage(*text, kCzechCodePage);
      writer.Append(record);
    }
  }

  std::string Path() const { return FDirectory.Path().string() + "/"; }

 private:
  sklad::testing::TempDir FDirectory;
};

// The catalogue open as a table dataset, with a data source the controls bind to.
class CatalogueDataSet {
 public:
  explicit CatalogueDataSet(const CzechCatalogue& catalogue) {
    Table.SetDatabaseName(catalogue.Path());
    Table.SetTableName(sklad::testing::kCatalogue);
    Table.Open();
    Source.SetDataSet(&Table);
  }

  sklad::TSkladTable Table;
  sklad::TDataSource Source;
};

}  // namespace controls::testing
