// Sequential scan of 1,000,000 catalogue-like records (about 200 bytes each): through the data
// file's record cache, and with SQLite over the same rows. Both scans read every text column of
// every row; the run ends with the ratio of the two times.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/storage/data/DataFile.h"
#include "engine/storage/data/FieldEncoding.h"

namespace {

using sklad::bench::Exec;

using namespace sklad;

const int kRecordCount = sklad::bench::RecordCount(1000000);

struct TCatalogueRow {
  std::string Issue, Section, Type, Systems, Name, Directory, Link;
};

// The i-th row of a made-up volume: issue, section, type and system codes, a name, a directory
// on the CD and a web link.
TCatalogueRow MakeRow(int i) {
  char issue[8], section[8], type[8], systems[16], name[64], directory[64], link[48];
  std::snprintf(issue, sizeof issue, "%02d/", i % 12 + 1);
  std::snprintf(section, sizeof section, "%d", i % 12 + 1);
  std::snprintf(type, sizeof type, "%d%d%d%d%d", i % 2, i / 2 % 2, i / 4 % 2, i / 8 % 2, i / 16 % 2);
  std::snprintf(systems, sizeof systems, "%d%d%d%d%d%d%d", i % 2, i / 3 % 2, i / 5 % 2, i / 7 % 2, 1, 0, i / 11 % 2);
  std::snprintf(name, sizeof name, "Program %d pro spravu katalogu, verze %d.%d", i, i % 9, i % 97);
  std::snprintf(directory, sizeof directory, "\\SOFT\\RUBRIKA%02d\\PROGRAM%07d\\INSTALACE", i % 12, i);
  std::snprintf(link, sizeof link, "http://www.vyrobce%d.cz/stahnout", i % 5000);
  return {issue, section, type, systems, name, directory, link};
}

TSystemList<TFieldDefinition> CatalogueFields() {
  TSystemList<TFieldDefinition> fields;
  fields.Add(TFieldDefinition::Make("p", TFieldType::String, 4));
  fields.Add(TFieldDefinition::Make("r", TFieldType::String, 3));
  fields.Add(TFieldDefinition::Make("typ", TFieldType::String, 6));
  fields.Add(TFieldDefinition::Make("os", TFieldType::String, 8));
  fields.Add(TFieldDefinition::Make("name", TFieldType::String, 60));
  fields.Add(TFieldDefinition::Make("src", TFieldType::String, 60));
  fields.Add(TFieldDefinition::Make("inet", TFieldType::String, 30));
  fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  return fields;
}

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("scan"); }

std::string DataFileName() { return (WorkDirectory() / "KATALOG.DAT").string(); }
std::string SqliteFileName() { return (WorkDirectory() / "katalog.sqlite").string(); }

void MakeDataFile() {
  TDataFile file(DataFileName(), false);
  file.Create({}, CatalogueFields());
  for (int i = 1; i <= kRecordCount; ++i) {
    const TCatalogueRow row = MakeRow(i);
    TRecord* record = file.Records().NewRecord();
    record->SetAutoIncrementValue(file.NextAutoIncrement());
    const std::string* texts[] = {&row.Issue, &row.Section, &row.Type, &row.Systems,
                                  &row.Name,  &row.Directory, &row.Link};
    for (int f = 0; f < 7; ++f)
      StoreStringValue(record->MutableFieldValue(file.Field(f)), file.Field(f).StoredSize(), *texts[f]);
    file.Records().ReleaseRecord(record);
  }
  file.Records().WriteModified(false);
  file.WriteHeader(true);
  file.WriteFieldDefinitions();
}

void MakeSqliteFile() {
  sqlite3* db = nullptr;
  sqlite3_open(SqliteFileName().c_str(), &db);
  Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
  Exec(db, "CREATE TABLE katalog (p TEXT, r TEXT, typ TEXT, os TEXT, name TEXT, src TEXT, inet TEXT, popis BLOB)");
  Exec(db, "BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO katalog VALUES (?, ?, ?, ?, ?, ?, ?, NULL)", -1, &insert, nullptr);
  for (int i = 1; i <= kRecordCount; ++i) {
    const TCatalogueRow row = MakeRow(i);
    const std::string* texts[] = {&row.Issue, &row.Section, &row.Type, &row.Systems,
                                  &row.Name,  &row.Directory, &row.Link};
    for (int f = 0; f < 7; ++f) sqlite3_bind_text(insert, f + 1, texts[f]->c_str(), -1, SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Exec(db, "COMMIT");
  sqlite3_close(db);
}

void MakeData() {
  static const bool made = [] {
    std::filesystem::create_directories(WorkDirectory());
    MakeDataFile();
    MakeSqliteFile();
    return true;
  }();
  (void)made;
}

void BM_ScanRecordCache(benchmark::State& state) {
  MakeData();
  TDataFile file(DataFileName(), false);
  file.Open();
  file.CheckConsistency();
  for (auto _ : state) {
    file.Records().Empty();  // every scan reads the file
    int64_t textBytes = 0, softwareRows = 0;
    for (int32_t n = 1; n <= file.RecordCount(); ++n) {
      TRecord* record = file.Records().GetRecord(n, {true});
      for (int f = 0; f < 7; ++f)
        if (const uint8_t* value = record->FieldValue(file.Field(f)))
          textBytes += static_cast<int64_t>(strnlen(reinterpret_cast<const char*>(value), file.Field(f).StoredSize()));
      const uint8_t* type = record->FieldValue(file.Field(2));
      softwareRows += type && type[0] == '1';
      file.Records().ReleaseRecord(record);
    }
    benchmark::DoNotOptimize(textBytes);
    benchmark::DoNotOptimize(softwareRows);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

void BM_ScanSqlite(benchmark::State& state) {
  MakeData();
  sqlite3* db = nullptr;
  sqlite3_open_v2(SqliteFileName().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT p, r, typ, os, name, src, inet FROM katalog", -1, &select, nullptr);
    int64_t textBytes = 0, softwareRows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
      for (int f = 0; f < 7; ++f) {
        (void)sqlite3_column_text(select, f);
        textBytes += sqlite3_column_bytes(select, f);
      }
      const unsigned char* type = sqlite3_column_text(select, 2);
      softwareRows += type && type[0] == '1';
    }
    sqlite3_finalize(select);
    benchmark::DoNotOptimize(textBytes);
    benchmark::DoNotOptimize(softwareRows);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
  sqlite3_close(db);
}

BENCHMARK(BM_ScanRecordCache)->Name("scan/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanSqlite)->Name("scan/sqlite")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
