// Counting a filter already in force over a 1,000,000-record catalogue (the browser's combined
// condition of issue and section comparisons AND type and system LIKEs): a population count of
// the visible set, against SQLite counting the same predicate; and the population count of a
// bitmap over the whole table, the floor of that count. bench_catalogue times setting filters.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/cursor/Filter.h"
#include "engine/cursor/RecordsBitmap.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/LittleEndian.h"

namespace {

using sklad::bench::Exec;

using namespace sklad;

// SKLAD_BENCH_RECORDS overrides the size for a quick look.
const int kRecordCount = sklad::bench::RecordCount(1000000);
constexpr uint16_t kCzech = 1029;
constexpr int kIssueField = 1, kSectionField = 2, kTypeField = 3, kSystemField = 4, kNameField = 5, kMemoField = 6;

// The catalogue's condition as the browser builds it: issues 1 and 2, sections 1, 3 and 99,
// shareware records that run under Windows XP.
constexpr const char* kCombined =
    "((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')"
    " OR (SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/'))"
    " AND ((r = '1') OR (r = '3') OR (r = '99'))"
    " AND (( typ LIKE \"_1%\") AND (os LIKE \"_____1%\"))";
constexpr const char* kCombinedSqlite =
    "((substr(p, 1, 2) = '1/') OR (substr(p, 1, 3) = '01/')"
    " OR (substr(p, 1, 2) = '2/') OR (substr(p, 1, 3) = '02/'))"
    " AND ((r = '1') OR (r = '3') OR (r = '99'))"
    " AND ((typ LIKE '_1%') AND (os LIKE '_____1%'))";

struct CatalogueRow {
  std::string Issue, Section, Type, System, Name, Memo;
};

// The same rows for both engines, from one seeded generator.
std::vector<CatalogueRow> Rows() {
  static const char* const kTopics[] = {"grafika", "hry", "linux", "utility", "internet", "hudba", "výuka", "sítě"};
  std::mt19937 random(1998);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  auto flags = [&](int width) {
    std::string text(static_cast<size_t>(width), '0');
    for (char& flag : text) flag = pick(3) == 0 ? '1' : '0';
    return text;
  };
  std::vector<CatalogueRow> rows(static_cast<size_t>(kRecordCount));
  for (int i = 0; i < kRecordCount; ++i) {
    CatalogueRow& row = rows[static_cast<size_t>(i)];
    const int issue = pick(12) + 1;
    row.Issue = (pick(2) == 0 && issue < 10 ? "0" : "") + std::to_string(issue) + "/" + std::to_string(pick(200));
    row.Section = std::to_string(pick(14) + 1);
    if (pick(20) == 0) row.Section = "99";
    row.Type = pick(10) == 0 ? std::string(1, "NMCGFKXORA"[pick(10)]) : flags(5);
    row.System = flags(7);
    row.Name = "Program " + std::to_string(i) + " " + kTopics[pick(8)] + (pick(40) == 0 ? " pro Linux" : "");
    // A description for one record in four, of one or two blocks.
    if (pick(4) == 0) {
      for (int words = 20 + pick(60); words > 0; --words) row.Memo += std::string(kTopics[pick(8)]) + (pick(9) == 0 ? ". " : " ");
      if (pick(10) == 0) row.Memo += "Běží pod Linuxem.";
    }
  }
  return rows;
}

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("filter"); }

std::string SqliteFileName() { return (WorkDirectory() / "katalog.sqlite").string(); }

TTableDefinition CatalogueDefinition() {
  TTableDefinition definition;
  definition.Properties.Language = kCzech;
  definition.Fields.Add(TFieldDefinition::Make("p", TFieldType::String, 10));
  definition.Fields.Add(TFieldDefinition::Make("r", TFieldType::String, 3));
  definition.Fields.Add(TFieldDefinition::Make("typ", TFieldType::String, 8));
  definition.Fields.Add(TFieldDefinition::Make("os", TFieldType::String, 10));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 60));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  TIndexDefinition bySection;
  bySection.SetName("ByR");
  bySection.SetFieldNumber(0, kSectionField);
  definition.Secondary.Add(bySection);
  return definition;
}

void PutText(TDataCursor& cursor, int field, uint8_t* record, const std::string& text) {
  if (!text.empty()) cursor.PutField(field, record, reinterpret_cast<const uint8_t*>(text.c_str()));
}

void LoadSklad(TDataDirectory& database, const std::vector<CatalogueRow>& rows) {
  database.CloseTable(database.CreateTable("KATALOG", false, CatalogueDefinition()));
  TDataCursor cursor(database);
  cursor.SetTableName("KATALOG");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.Table()->StartTransaction();
  for (const CatalogueRow& row : rows) {
    cursor.InitRecord(record.data());
    PutText(cursor, kIssueField, record.data(), row.Issue);
    PutText(cursor, kSectionField, record.data(), row.Section);
    PutText(cursor, kTypeField, record.data(), row.Type);
    PutText(cursor, kSystemField, record.data(), row.System);
    PutText(cursor, kNameField, record.data(), row.Name);
    if (!row.Memo.empty()) {
      cursor.OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobWrite);
      cursor.WriteBlob(kMemoField, record.data(), static_cast<int32_t>(row.Memo.size()),
                       reinterpret_cast<const uint8_t*>(row.Memo.data()), 0);
    }
    cursor.InsertRecord(record.data(), false);
  }
  cursor.Table()->Commit();
}

void LoadSqlite(const std::vector<CatalogueRow>& rows) {
  sklad::bench::TSqliteBulkLoad load(SqliteFileName(),
                                     "CREATE TABLE katalog (p TEXT, r TEXT, typ TEXT, os TEXT, name TEXT, popis TEXT);"
                                     "CREATE INDEX by_r ON katalog (r)",
                                     "INSERT INTO katalog VALUES (?, ?, ?, ?, ?, ?)");
  for (const CatalogueRow& row : rows) {
    int column = 0;
    for (const std::string* text : {&row.Issue, &row.Section, &row.Type, &row.System, &row.Name, &row.Memo}) {
      if (text->empty()) {
        sqlite3_bind_null(load.Row(), ++column);
      } else {
        sqlite3_bind_text(load.Row(), ++column, text->c_str(), -1, SQLITE_TRANSIENT);
      }
    }
    load.Add();
  }
}

// The engine's session and directory over the work directory, with both catalogues made once.
struct TEngine : sklad::bench::TBenchDatabase {
  TEngine() : TBenchDatabase(WorkDirectory()) {
    const std::vector<CatalogueRow> rows = Rows();
    LoadSklad(*Database, rows);
    LoadSqlite(rows);
  }
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

// A cursor on the catalogue in natural order, as the browser's live result walks it.
struct TCatalogueCursor {
  TDataCursor Cursor{*Engine().Database};
  TCatalogueCursor() {
    Cursor.SetTableName("KATALOG");
    Cursor.Open();
    Cursor.SelectIndex(TDataCursor::kNaturalOrder);
  }
};

struct TSqlite {
  sqlite3* Db = nullptr;
  TSqlite() {
    Engine();
    sqlite3_open_v2(SqliteFileName().c_str(), &Db, SQLITE_OPEN_READONLY, nullptr);
    // The engines compare LIKE patterns by case, as the catalogue's filters do.
    Exec(Db, "PRAGMA case_sensitive_like=ON");
  }
  ~TSqlite() { sqlite3_close(Db); }
  sqlite3_stmt* Prepare(const std::string& sql) const {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(Db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "SQLite: %s\n", sqlite3_errmsg(Db));
      std::exit(1);
    }
    return statement;
  }
};

int64_t CountSqlite(sqlite3_stmt* count) {
  sqlite3_step(count);
  const int64_t rows = sqlite3_column_int64(count, 0);
  sqlite3_reset(count);
  return rows;
}

// Counting a filter already in force: a population count of the visible set.
void CountActiveSklad(benchmark::State& state) {
  TCatalogueCursor catalogue;
  catalogue.Cursor.ActivateFilter(catalogue.Cursor.AddFilter(kCombined, false, false));
  for (auto _ : state) benchmark::DoNotOptimize(catalogue.Cursor.GetRecordCount());
}

void CountActiveSqlite(benchmark::State& state) {
  TSqlite sqlite;
  sqlite3_stmt* count = sqlite.Prepare(std::string("SELECT COUNT(*) FROM katalog WHERE ") + kCombinedSqlite);
  for (auto _ : state) benchmark::DoNotOptimize(CountSqlite(count));
  sqlite3_finalize(count);
}

// Reading a bitmap over the whole table once: what the count of a filter in force must not
// exceed.
void ReadBitmap(benchmark::State& state) {
  TRecordsBitmap bitmap;
  bitmap.SetSize(kRecordCount);
  for (int32_t n = 1; n <= kRecordCount; n += 7) bitmap.SetBit(n);
  for (auto _ : state) benchmark::DoNotOptimize(bitmap.Count());
}


BENCHMARK(CountActiveSklad)->Name("filter/count_in_force/sklad")->Unit(benchmark::kMicrosecond);
BENCHMARK(CountActiveSqlite)->Name("filter/count_in_force/sqlite")->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadBitmap)->Name("filter/bitmap_population_count")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
