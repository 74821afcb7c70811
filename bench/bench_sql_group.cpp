// A GROUP BY with every aggregate over a 1,000,000-record table, through an SQL statement whose
// result is a copy (filled, grouped by the record sort, read back), and the same statement in
// SQLite over the same rows, all its result rows stepped through.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

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
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace {

using namespace sklad;

// SKLAD_BENCH_RECORDS overrides the size for a quick look.
const int kRecordCount = sklad::bench::RecordCount(1000000);
constexpr int kSections = 50;
constexpr int kSectionField = 1, kNumberField = 2, kSecondField = 3, kNameField = 4;

constexpr const char* kGroupBy =
    "SELECT section, COUNT(*), SUM(n), AVG(n), MIN(m), MAX(n) FROM t GROUP BY section";

struct TRow {
  std::string Section;
  int32_t N = 0;
  int32_t M = 0;
  std::string Name;
};

std::vector<TRow> Rows() {
  std::mt19937 random(2026);
  std::uniform_int_distribution<int> section(1, kSections), value(-100000, 100000);
  std::vector<TRow> rows(static_cast<size_t>(kRecordCount));
  for (int i = 0; i < kRecordCount; ++i) {
    TRow& row = rows[static_cast<size_t>(i)];
    row.Section = "oddil " + std::to_string(section(random));
    row.N = value(random);
    row.M = value(random);
    row.Name = "Program " + std::to_string(i);
  }
  return rows;
}

std::filesystem::path WorkDirectory() { return sklad::bench::WorkDirectory("sql_group"); }
std::string SqliteFileName() { return (WorkDirectory() / "group.sqlite").string(); }

void LoadSklad(TDataDirectory& database, const std::vector<TRow>& rows) {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("section", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("m", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 40));
  database.CloseTable(database.CreateTable("t", false, definition));
  TDataCursor cursor(database);
  cursor.SetTableName("t");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.Table()->StartTransaction();
  for (const TRow& row : rows) {
    cursor.InitRecord(record.data());
    cursor.PutField(kSectionField, record.data(), reinterpret_cast<const uint8_t*>(row.Section.c_str()));
    cursor.PutField(kNumberField, record.data(), reinterpret_cast<const uint8_t*>(&row.N));
    cursor.PutField(kSecondField, record.data(), reinterpret_cast<const uint8_t*>(&row.M));
    cursor.PutField(kNameField, record.data(), reinterpret_cast<const uint8_t*>(row.Name.c_str()));
    cursor.InsertRecord(record.data(), false);
  }
  cursor.Table()->Commit();
}

void LoadSqlite(const std::vector<TRow>& rows) {
  sklad::bench::TSqliteBulkLoad load(SqliteFileName(), "CREATE TABLE t (section TEXT, n INTEGER, m INTEGER, name TEXT)",
                                     "INSERT INTO t VALUES (?, ?, ?, ?)");
  for (const TRow& row : rows) {
    sqlite3_bind_text(load.Row(), 1, row.Section.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(load.Row(), 2, row.N);
    sqlite3_bind_int(load.Row(), 3, row.M);
    sqlite3_bind_text(load.Row(), 4, row.Name.c_str(), -1, SQLITE_TRANSIENT);
    load.Add();
  }
}

// The session (its private directory for the result tables) and the database, both tables made
// once.
struct TEngine : sklad::bench::TBenchDatabase {
  TEngine() : TBenchDatabase(WorkDirectory()) {
    const std::vector<TRow> rows = Rows();
    LoadSklad(*Database, rows);
    LoadSqlite(rows);
  }
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

// Executes the prepared statement again (the result is rebuilt) and reads every group.
void GroupSklad(benchmark::State& state) {
  TSqlStatement statement(*Engine().Database, kGroupBy);
  statement.Prepare();
  int32_t groups = 0;
  for (auto _ : state) {
    TDataCursor& result = *statement.Execute();
    int64_t sum = 0;
    int32_t value = 0;
    result.First();
    for (groups = 0; result.ReadNext(nullptr) == cursor_status::Ok; ++groups) {
      result.GetField(2, result.CurrentRecord().data(), reinterpret_cast<uint8_t*>(&value));
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["groups"] = groups;
}

void GroupSqlite(benchmark::State& state) {
  Engine();
  sqlite3* db = nullptr;
  sqlite3_open_v2(SqliteFileName().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, kGroupBy, -1, &statement, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  int groups = 0;
  for (auto _ : state) {
    int64_t sum = 0;
    for (groups = 0; sqlite3_step(statement) == SQLITE_ROW; ++groups) sum += sqlite3_column_int64(statement, 1);
    sqlite3_reset(statement);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["groups"] = groups;
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

BENCHMARK(GroupSklad)->Name("sql_group/group_by_aggregates/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(GroupSqlite)->Name("sql_group/group_by_aggregates/sqlite")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
