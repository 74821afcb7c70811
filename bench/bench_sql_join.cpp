// A join of a 1,000,000-record table with a 10,000-record table on the key of the small one:
// SELECT t.name, s.title FROM t, s WHERE t.section = s.id, its result read row by row with both
// values, and SELECT COUNT(*) of the same join — our statements against SQLite's on the same
// data. Before any timing both sides must count the rows a direct
// computation expects. SKLAD_BENCH_RECORDS sets the large table's size; the small one has a
// hundredth of it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"

namespace {

using namespace sklad;

constexpr const char* kJoinSql = "SELECT t.name, s.title FROM t, s WHERE t.section = s.id";
constexpr const char* kCountSql = "SELECT COUNT(*) FROM t, s WHERE t.section = s.id";
constexpr int kNameField = 3, kTitleField = 2;

int LargeCount() { return bench::RecordCount(1000000); }
int SmallCount() { return std::max(LargeCount() / 100, 1); }

// About one record in twenty names a section the small table does not have.
int32_t SectionOf(int i) { return static_cast<int32_t>(static_cast<int64_t>(i) * 7919 % (SmallCount() * 21 / 20) + 1); }

std::filesystem::path WorkDirectory() { return bench::WorkDirectory("sql-join"); }

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_sql_join: %s\n", message.c_str());
  std::exit(1);
}

TTableDefinition LargeDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("section", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 40));
  return definition;
}

TTableDefinition SmallDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("title", TFieldType::String, 30));
  definition.Primary.SetFieldNumber(0, 1);
  return definition;
}

// Both tables in our files and in SQLite; answers the number of joined rows.
int64_t WriteData() {
  std::filesystem::create_directories(WorkDirectory());
  TDataSession session;
  TDataDirectory& database = *session.OpenDirectory("", WorkDirectory().string());
  bench::TSqliteBulkLoad large((WorkDirectory() / "join.sqlite").string(),
                               "CREATE TABLE t (id INTEGER, section INTEGER, name TEXT);"
                               "CREATE TABLE s (id INTEGER PRIMARY KEY, title TEXT)",
                               "INSERT INTO t VALUES (?, ?, ?)");
  int64_t joined = 0;
  char text[64];
  {
    database.CloseTable(database.CreateTable("t", false, LargeDefinition()));
    TDataCursor cursor(database);
    cursor.SetTableName("t");
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.Table()->StartTransaction();
    for (int i = 1; i <= LargeCount(); ++i) {
      const int32_t section = SectionOf(i);
      joined += section <= SmallCount();
      std::snprintf(text, sizeof text, "Program %d, verze %d.%d", i, i % 9, i % 97);
      cursor.InitRecord(record.data());
      cursor.PutField(1, record.data(), reinterpret_cast<const uint8_t*>(&i));
      cursor.PutField(2, record.data(), reinterpret_cast<const uint8_t*>(&section));
      cursor.PutField(kNameField, record.data(), reinterpret_cast<const uint8_t*>(text));
      cursor.InsertRecord(record.data(), false);
      sqlite3_bind_int(large.Row(), 1, i);
      sqlite3_bind_int(large.Row(), 2, section);
      sqlite3_bind_text(large.Row(), 3, text, -1, SQLITE_TRANSIENT);
      large.Add();
    }
    cursor.Table()->Commit();
  }
  sqlite3* db = large.Commit();
  database.CloseTable(database.CreateTable("s", false, SmallDefinition()));
  TDataCursor cursor(database);
  cursor.SetTableName("s");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  sqlite3_stmt* insert = nullptr;
  bench::Exec(db, "BEGIN");
  sqlite3_prepare_v2(db, "INSERT INTO s VALUES (?, ?)", -1, &insert, nullptr);
  cursor.Table()->StartTransaction();
  for (int i = 1; i <= SmallCount(); ++i) {
    std::snprintf(text, sizeof text, "Rubrika %d", i);
    cursor.InitRecord(record.data());
    cursor.PutField(1, record.data(), reinterpret_cast<const uint8_t*>(&i));
    cursor.PutField(kTitleField, record.data(), reinterpret_cast<const uint8_t*>(text));
    cursor.InsertRecord(record.data(), false);
    sqlite3_bind_int(insert, 1, i);
    sqlite3_bind_text(insert, 2, text, -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  cursor.Table()->Commit();
  sqlite3_finalize(insert);
  bench::Exec(db, "COMMIT");
  sqlite3_close(db);
  return joined;
}

// The join as a statement: prepared once, executed per run into its result, whose rows are then
// read with both values; the count is a statement of its own.
class TSkladJoin {
 public:
  TSkladJoin()
      : FDatabase(WorkDirectory()), FRows(*FDatabase.Database, kJoinSql), FCount(*FDatabase.Database, kCountSql) {
    FRows.Prepare();
    FCount.Prepare();
  }

  int64_t Run(bool values) {
    if (!values) {
      TDataCursor* count = FCount.Execute();
      int32_t joined = 0;
      count->First();
      count->ReadNext(nullptr);
      count->GetField(1, count->CurrentRecord().data(), reinterpret_cast<uint8_t*>(&joined));
      return joined;
    }
    TDataCursor* result = FRows.Execute();
    int64_t rows = 0;
    uint8_t name[64], title[64];
    result->First();
    while (result->ReadNext(nullptr) == cursor_status::Ok) {
      ++rows;
      result->GetField(1, result->CurrentRecord().data(), name);
      result->GetField(2, result->CurrentRecord().data(), title);
      benchmark::DoNotOptimize(name);
      benchmark::DoNotOptimize(title);
    }
    return rows;
  }

 private:
  bench::TBenchDatabase FDatabase;
  TSqlStatement FRows;
  TSqlStatement FCount;
};

class TSqliteJoin {
 public:
  TSqliteJoin() {
    if (sqlite3_open_v2((WorkDirectory() / "join.sqlite").string().c_str(), &FDb, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
      Fail("SQLite copy cannot be opened");
    sqlite3_prepare_v2(FDb, kJoinSql, -1, &FRows, nullptr);
    sqlite3_prepare_v2(FDb, kCountSql, -1, &FCount, nullptr);
  }
  ~TSqliteJoin() {
    sqlite3_finalize(FRows);
    sqlite3_finalize(FCount);
    sqlite3_close(FDb);
  }

  int64_t Run(bool values) {
    if (!values) {
      sqlite3_reset(FCount);
      if (sqlite3_step(FCount) != SQLITE_ROW) Fail("SQLite gave no count");
      return sqlite3_column_int64(FCount, 0);
    }
    sqlite3_reset(FRows);
    int64_t rows = 0;
    while (sqlite3_step(FRows) == SQLITE_ROW) {
      ++rows;
      benchmark::DoNotOptimize(sqlite3_column_text(FRows, 0));
      benchmark::DoNotOptimize(sqlite3_column_text(FRows, 1));
    }
    return rows;
  }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FRows = nullptr;
  sqlite3_stmt* FCount = nullptr;
};

// Written and checked at the first use.
void MakeData() {
  static bool made = false;
  if (made) return;
  made = true;
  const int64_t expected = WriteData();
  TSkladJoin sklad;
  TSqliteJoin sqlite;
  const int64_t ours = sklad.Run(true), theirs = sqlite.Run(true), counted = sqlite.Run(false);
  if (ours != expected || theirs != expected || counted != expected || sklad.Run(false) != expected)
    Fail("the join should give " + std::to_string(expected) + " rows: Sklad " + std::to_string(ours) + ", SQLite " +
         std::to_string(theirs) + " (count " + std::to_string(counted) + ")");
  std::printf("%d x %d records: %lld joined rows on both sides\n", LargeCount(), SmallCount(),
              static_cast<long long>(expected));
}

template <class TSide>
void Join(benchmark::State& state, bool values) {
  MakeData();
  TSide side;
  for (auto _ : state) benchmark::DoNotOptimize(side.Run(values));
}

void BM_RowsSklad(benchmark::State& state) { Join<TSkladJoin>(state, true); }
void BM_RowsSqlite(benchmark::State& state) { Join<TSqliteJoin>(state, true); }
void BM_CountSklad(benchmark::State& state) { Join<TSkladJoin>(state, false); }
void BM_CountSqlite(benchmark::State& state) { Join<TSqliteJoin>(state, false); }

BENCHMARK(BM_RowsSklad)->Name("join/indexed_key_rows/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSqlite)->Name("join/indexed_key_rows/sqlite")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountSklad)->Name("join/indexed_key_count/sklad")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountSqlite)->Name("join/indexed_key_count/sqlite")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(WorkDirectory());
  return result;
}
