// An UPDATE of one record in ten of a 1,000,000-record table in one statement: the records of
// one section (an indexed column) get their counter raised by one. SQLite runs the same statement
// over the same rows with an index on the same column.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/LittleEndian.h"

namespace {

using namespace sklad;

// SKLAD_BENCH_RECORDS overrides the size for a quick look.
const int kRecordCount = sklad::bench::RecordCount(1000000);
constexpr int kSections = 10;
constexpr int kIdField = 1, kSectionField = 2, kCounterField = 3, kNameField = 4;
constexpr const char* kUpdate = "UPDATE t SET n = n + 1 WHERE section = 3";

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("sql-update"); }

std::string SqliteFileName() { return (WorkDirectory() / "t.sqlite").string(); }

// Row i: section i mod 10, counter i mod 1000, a name of twenty-odd characters.
std::string NameOf(int i) { return "Program " + std::to_string(i) + " pro Windows"; }

TTableDefinition TableDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("section", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 40));
  definition.Primary.SetFieldNumber(0, kIdField);
  TIndexDefinition bySection;
  bySection.SetName("BySection");
  bySection.SetFieldNumber(0, kSectionField);
  definition.Secondary.Add(bySection);
  return definition;
}

void PutInteger(TDataCursor& cursor, int field, uint8_t* record, int32_t value) {
  uint8_t bytes[4];
  StoreLE(bytes, value);
  cursor.PutField(field, record, bytes);
}

void LoadSklad(TDataDirectory& database) {
  database.CloseTable(database.CreateTable("t", false, TableDefinition()));
  TDataCursor cursor(database);
  cursor.SetTableName("t");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.Table()->StartTransaction();
  for (int i = 0; i < kRecordCount; ++i) {
    cursor.InitRecord(record.data());
    PutInteger(cursor, kIdField, record.data(), i);
    PutInteger(cursor, kSectionField, record.data(), i % kSections);
    PutInteger(cursor, kCounterField, record.data(), i % 1000);
    const std::string name = NameOf(i);
    cursor.PutField(kNameField, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
    cursor.InsertRecord(record.data(), false);
  }
  cursor.Table()->Commit();
}

void LoadSqlite() {
  sklad::bench::TSqliteBulkLoad load(SqliteFileName(),
                                     "CREATE TABLE t (id INTEGER PRIMARY KEY, section INTEGER, n INTEGER, name TEXT);"
                                     "CREATE INDEX by_section ON t (section)",
                                     "INSERT INTO t VALUES (?, ?, ?, ?)");
  for (int i = 0; i < kRecordCount; ++i) {
    sqlite3_bind_int(load.Row(), 1, i);
    sqlite3_bind_int(load.Row(), 2, i % kSections);
    sqlite3_bind_int(load.Row(), 3, i % 1000);
    sqlite3_bind_text(load.Row(), 4, NameOf(i).c_str(), -1, SQLITE_TRANSIENT);
    load.Add();
  }
}

// The engine's session and directory over the work directory, with both tables made once.
struct TEngine : sklad::bench::TBenchDatabase {
  TEngine() : TBenchDatabase(WorkDirectory()) {
    LoadSklad(*Database);
    LoadSqlite();
  }
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

void UpdateSklad(benchmark::State& state) {
  TSqlStatement statement(*Engine().Database, kUpdate);
  statement.Prepare();
  for (auto _ : state) statement.Execute();
  state.counters["records"] = statement.RowsAffected();
}

void UpdateSqlite(benchmark::State& state) {
  Engine();
  sqlite3* db = nullptr;
  sqlite3_open(SqliteFileName().c_str(), &db);
  sqlite3_stmt* update = nullptr;
  if (sqlite3_prepare_v2(db, kUpdate, -1, &update, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  for (auto _ : state) {
    sqlite3_step(update);
    sqlite3_reset(update);
  }
  state.counters["records"] = sqlite3_changes(db);
  sqlite3_finalize(update);
  sqlite3_close(db);
}

BENCHMARK(UpdateSklad)->Name("sql_update/update_tenth/sklad")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(UpdateSqlite)->Name("sql_update/update_tenth/sqlite")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
