// Index building against SQLite: a non-unique index on a 30-character string field added to a
// table of 1,000,000 records that has none (AddIndex through an exclusive cursor), against
// CREATE INDEX on the same rows in SQLite. The table has no language, so both compare bytes.
// Each side drops its index again outside the timing. The shared reporter prints the ratio.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
constexpr const char* kTable = "PROGRAMY";

// Ids and names in a scattered order, so the index is built from unsorted records.
int32_t IdOf(int i) { return static_cast<int32_t>(int64_t{i} * 7919 % 1000003); }

std::string NameOf(int i) {
  char name[40];
  std::snprintf(name, sizeof name, "Program %07d verze %d", IdOf(i) % 999983, i % 97);
  return name;
}

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("index-build"); }

TIndexDefinition ByName() {
  TIndexDefinition definition;
  definition.SetName("ByName");
  definition.SetFieldNumber(0, kNameField);
  return definition;
}

// The engine's directory with the table filled once, without indexes.
struct TEngine : sklad::bench::TBenchDatabase {
  TEngine() : TBenchDatabase(WorkDirectory()) {
    TTableDefinition definition;
    definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
    definition.Fields.Add(TFieldDefinition::Make("Name", TFieldType::String, 30));
    Database->CloseTable(Database->CreateTable(kTable, false, definition));
    TDataCursor cursor(*Database);
    cursor.SetTableName(kTable);
    cursor.SetExclusive(true);
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    for (int i = 1; i <= kRecordCount; ++i) {
      cursor.InitRecord(record.data());
      uint8_t id[4];
      StoreLE(id, IdOf(i));
      cursor.PutField(kIdField, record.data(), id);
      const std::string name = NameOf(i);
      cursor.PutField(kNameField, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
      cursor.InsertRecord(record.data(), false);
    }
  }
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

void BM_AddIndexSklad(benchmark::State& state) {
  TDataCursor cursor(*Engine().Database);
  cursor.SetTableName(kTable);
  cursor.SetExclusive(true);
  cursor.Open();
  for (auto _ : state) {
    cursor.AddIndex(ByName());
    state.PauseTiming();
    cursor.DeleteIndex("ByName");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

void BM_CreateIndexSqlite(benchmark::State& state) {
  const std::string fileName = (WorkDirectory() / "programy.sqlite").string();
  std::filesystem::create_directories(WorkDirectory());
  sklad::bench::TSqliteBulkLoad load(fileName, "CREATE TABLE programy (id INTEGER, name TEXT)",
                                      "INSERT INTO programy VALUES (?, ?)");
  for (int i = 1; i <= kRecordCount; ++i) {
    const std::string name = NameOf(i);
    sqlite3_bind_int(load.Row(), 1, IdOf(i));
    sqlite3_bind_text(load.Row(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
    load.Add();
  }
  sqlite3* db = load.Commit();
  for (auto _ : state) {
    Exec(db, "CREATE INDEX by_name ON programy (name)");
    state.PauseTiming();
    Exec(db, "DROP INDEX by_name");
    state.ResumeTiming();
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}

BENCHMARK(BM_AddIndexSklad)->Name("index_build/string/sklad")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CreateIndexSqlite)->Name("index_build/string/sqlite")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
