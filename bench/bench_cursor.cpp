// The cursor over a 1,000,000-record table: walking it forward reading one string field in
// natural and in index order, and inserting the records with two indexes in one transaction;
// SQLite does the same on the same rows (rowid order, an ORDER BY served by its index, and
// inserts into a table with an integer primary key and an index on the name).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/LittleEndian.h"

namespace {

using sklad::bench::Exec;

using namespace sklad;

const int kRecordCount = sklad::bench::RecordCount(1000000);
constexpr int kIdField = 1, kNameField = 2;
constexpr int kByName = 1;

// Ids in a scattered order, so that both indexes take keys all over their trees.
int32_t IdOf(int i) { return static_cast<int32_t>(int64_t{i} * 7919 % 1000003); }

std::string NameOf(int i) {
  char name[40];
  std::snprintf(name, sizeof name, "Program %07d verze %d", IdOf(i) % 999983, i % 97);
  return name;
}

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("cursor"); }

std::string SqliteFileName() { return (WorkDirectory() / "programy.sqlite").string(); }

TTableDefinition ProgramsDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Name", TFieldType::String, 30));
  definition.Primary.SetFieldNumber(0, kIdField);
  TIndexDefinition byName;
  byName.SetName("ByName");
  byName.SetFieldNumber(0, kNameField);
  definition.Secondary.Add(byName);
  return definition;
}

// Creates the table afresh and inserts every record through one cursor in one transaction.
void InsertRecords(TDataDirectory& database, const char* table) {
  database.CloseTable(database.CreateTable(table, false, ProgramsDefinition()));
  TDataCursor cursor(database);
  cursor.SetTableName(table);
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.Table()->StartTransaction();
  for (int i = 1; i <= kRecordCount; ++i) {
    cursor.InitRecord(record.data());
    uint8_t id[4];
    StoreLE(id, IdOf(i));
    cursor.PutField(kIdField, record.data(), id);
    const std::string name = NameOf(i);
    cursor.PutField(kNameField, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
    cursor.InsertRecord(record.data(), false);
  }
  cursor.Table()->Commit();
}

void InsertSqliteRows(const std::string& fileName) {
  sklad::bench::TSqliteBulkLoad load(
      fileName, "CREATE TABLE programy (id INTEGER PRIMARY KEY, name TEXT); CREATE INDEX by_name ON programy (name)",
      "INSERT INTO programy VALUES (?, ?)");
  for (int i = 1; i <= kRecordCount; ++i) {
    const std::string name = NameOf(i);
    sqlite3_bind_int(load.Row(), 1, IdOf(i));
    sqlite3_bind_text(load.Row(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
    load.Add();
  }
}

// The engine's session and directory over the work directory, and the walked table, made once.
struct TEngine : sklad::bench::TBenchDatabase {
  TEngine() : TBenchDatabase(WorkDirectory()) {}
};

TEngine& Engine() {
  static TEngine engine;
  static const bool made = [] {
    InsertRecords(*engine.Database, "PROGRAMY");
    InsertSqliteRows(SqliteFileName());
    return true;
  }();
  (void)made;
  return engine;
}

void WalkSklad(benchmark::State& state, int index) {
  TDataCursor cursor(*Engine().Database);
  cursor.SetTableName("PROGRAMY");
  cursor.Open();
  cursor.SelectIndex(index);
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  char name[32];
  for (auto _ : state) {
    int64_t nameBytes = 0;
    cursor.First();
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) {
      cursor.GetField(kNameField, record.data(), reinterpret_cast<uint8_t*>(name));
      nameBytes += static_cast<int64_t>(strnlen(name, sizeof name));
    }
    benchmark::DoNotOptimize(nameBytes);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

void WalkSqlite(benchmark::State& state, const char* sql) {
  Engine();
  sqlite3* db = nullptr;
  sqlite3_open_v2(SqliteFileName().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &select, nullptr);
  for (auto _ : state) {
    int64_t nameBytes = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
      (void)sqlite3_column_text(select, 0);
      nameBytes += sqlite3_column_bytes(select, 0);
    }
    sqlite3_reset(select);
    benchmark::DoNotOptimize(nameBytes);
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

void BM_WalkNaturalSklad(benchmark::State& state) { WalkSklad(state, TDataCursor::kNaturalOrder); }
void BM_WalkNaturalSqlite(benchmark::State& state) { WalkSqlite(state, "SELECT name FROM programy"); }
void BM_WalkIndexSklad(benchmark::State& state) { WalkSklad(state, kByName); }
void BM_WalkIndexSqlite(benchmark::State& state) {
  WalkSqlite(state, "SELECT name FROM programy ORDER BY name");
}

void BM_InsertSklad(benchmark::State& state) {
  TDataDirectory& database = *Engine().Database;
  for (auto _ : state) InsertRecords(database, "VLOZENE");
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

void BM_InsertSqlite(benchmark::State& state) {
  Engine();
  const std::string fileName = (WorkDirectory() / "vlozene.sqlite").string();
  for (auto _ : state) InsertSqliteRows(fileName);
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

BENCHMARK(BM_WalkNaturalSklad)->Name("cursor/walk_natural/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkNaturalSqlite)->Name("cursor/walk_natural/sqlite")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkIndexSklad)->Name("cursor/walk_index/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkIndexSqlite)->Name("cursor/walk_index/sqlite")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertSklad)->Name("cursor/insert_two_indexes/sklad")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_InsertSqlite)->Name("cursor/insert_two_indexes/sqlite")->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
