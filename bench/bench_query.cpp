// The steps of the catalogue's click cycle on their own, each against its SQLite counterpart:
// opening the table, preparing the SQL text, executing it live and counting, reading the first
// 20 names (bench_catalogue times the whole click). Sizes 100,000 and 1,000,000 records
// (SKLAD_BENCH_RECORDS overrides both with one size). Before any timing both sides must count the
// same rows for the click's condition, and every read of names must give 20 of them.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"

namespace {

using sklad::bench::Exec;

using namespace sklad;

constexpr uint16_t kCzech = 1029;
constexpr int kNameField = 5;
constexpr int kNamesShown = 20;

const char* const kClickSql =
    "SELECT * FROM t WHERE ((SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')) AND "
    "((r = '3') OR (r = '4')) AND ((typ LIKE \"1%\") OR (typ LIKE \"2%\"))";
const char* const kSqliteWhere =
    " FROM t WHERE ((substr(p, 1, 2) = '2/') OR (substr(p, 1, 3) = '02/')) AND ((r = '3') OR (r = '4')) AND "
    "((typ LIKE '1%') OR (typ LIKE '2%'))";

std::vector<int> Sizes() {
  const char* text = std::getenv("SKLAD_BENCH_RECORDS");
  if (text != nullptr && std::atoi(text) > 0) return {std::atoi(text)};
  return {100000, 1000000};
}

struct TRow {
  std::string p, r, typ, os, name, src, inet;
};

TRow MakeRow(int i) {
  char text[96];
  TRow row;
  std::snprintf(text, sizeof text, i % 2 ? "%02d/" : "%d/", i % 12 + 1);
  row.p = text;
  // The section and the first type digit are independent of the issue and of each other, so that
  // the click finds rows: about one in 144.
  row.r = std::to_string(i / 12 % 12 + 1);
  std::snprintf(text, sizeof text, "%d%d%d%d%d", i / 144 % 2, i / 2 % 2, i / 4 % 2, i / 8 % 2, i / 16 % 2);
  row.typ = text;
  std::snprintf(text, sizeof text, "%d%d%d%d%d%d%d", i % 2, i / 3 % 2, i / 5 % 2, i / 7 % 2, 1, 0, i / 11 % 2);
  row.os = text;
  std::snprintf(text, sizeof text, "Program %d pro spravu katalogu, verze %d.%d", i, i % 9, i % 97);
  row.name = text;
  std::snprintf(text, sizeof text, "\\SOFT\\RUBRIKA%02d\\PROGRAM%07d", i % 12, i);
  row.src = text;
  std::snprintf(text, sizeof text, "http://www.vyrobce%d.cz/stahnout", i % 5000);
  row.inet = text;
  return row;
}

// The click's condition evaluated directly on a generated row.
bool ClickFinds(const TRow& row) {
  return (row.p == "2/" || row.p == "02/") && (row.r == "3" || row.r == "4") &&
         (row.typ[0] == '1' || row.typ[0] == '2');
}

std::filesystem::path WorkDirectory(int size) { return sklad::bench::WorkDirectory("query-" + std::to_string(size)); }

TTableDefinition CatalogueDefinition() {
  TTableDefinition definition;
  definition.Properties.Language = kCzech;
  const std::pair<const char*, int> strings[] = {{"p", 10}, {"r", 3}, {"typ", 8}, {"os", 8},
                                                 {"name", 60}, {"src", 60}, {"inet", 60}};
  for (auto [name, size] : strings) definition.Fields.Add(TFieldDefinition::Make(name, TFieldType::String, size));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  for (auto [name, field] : {std::pair{"ByP", 1}, std::pair{"ByR", 2}, std::pair{"ByName", 5}}) {
    TIndexDefinition index;
    index.SetName(name);
    index.SetFieldNumber(0, static_cast<uint16_t>(field));
    definition.Secondary.Add(index);
  }
  return definition;
}

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_query: %s\n", message.c_str());
  std::exit(1);
}

// A statement of the click's condition on SQLite's copy.
sqlite3_stmt* SqlitePrepared(sqlite3* db, const char* selectList, const char* tail = "") {
  const std::string sql = std::string("SELECT ") + selectList + kSqliteWhere + tail;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
    Fail(std::string("SQLite: ") + sqlite3_errmsg(db));
  return statement;
}

sqlite3* SqliteOpened(int size) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((WorkDirectory(size) / "t.sqlite").string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK)
    Fail("SQLite copy cannot be opened");
  return db;
}

// A read of the first names must show 20 of them whenever the result has that many.
void CheckNamesRead(const char* side, int read, int64_t rows) {
  if (read != std::min<int64_t>(rows, kNamesShown))
    Fail(std::string(side) + " read " + std::to_string(read) + " names of a result of " + std::to_string(rows) +
         " rows");
}

// One size's table in our files and in SQLite, with indexes on p, r and name in both; answers how
// many rows the click's condition picks.
int64_t WriteData(int size) {
  const std::filesystem::path directory = WorkDirectory(size);
  std::filesystem::create_directories(directory);
  TDataSession session;
  TDataDirectory& database = *session.OpenDirectory("", directory.string());
  database.CloseTable(database.CreateTable("t", false, CatalogueDefinition()));
  TDataCursor cursor(database);
  cursor.SetTableName("t");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  sqlite3* db = nullptr;
  sqlite3_open((directory / "t.sqlite").string().c_str(), &db);
  Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
  Exec(db, "CREATE TABLE t (p TEXT, r TEXT, typ TEXT, os TEXT, name TEXT, src TEXT, inet TEXT, popis TEXT);"
           "CREATE INDEX by_p ON t (p); CREATE INDEX by_r ON t (r); CREATE INDEX by_name ON t (name)");
  Exec(db, "BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, NULL)", -1, &insert, nullptr);
  cursor.Table()->StartTransaction();
  int64_t found = 0;
  for (int i = 1; i <= size; ++i) {
    const TRow row = MakeRow(i);
    found += ClickFinds(row);
    const std::string* texts[] = {&row.p, &row.r, &row.typ, &row.os, &row.name, &row.src, &row.inet};
    cursor.InitRecord(record.data());
    for (int f = 0; f < 7; ++f) {
      cursor.PutField(f + 1, record.data(), reinterpret_cast<const uint8_t*>(texts[f]->c_str()));
      sqlite3_bind_text(insert, f + 1, texts[f]->c_str(), -1, SQLITE_TRANSIENT);
    }
    cursor.InsertRecord(record.data(), false);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  cursor.Table()->Commit();
  sqlite3_finalize(insert);
  Exec(db, "COMMIT");
  sqlite3_close(db);
  return found;
}

// A session on the size's folder, as the program keeps one open between clicks.
struct TDatabase {
  explicit TDatabase(int size) : Directory(*Session.OpenDirectory("", WorkDirectory(size).string())) {}
  TDataSession Session;
  TDataDirectory& Directory;
};

std::unique_ptr<TSqlStatement> Prepared(TDataDirectory& directory) {
  TSqlStatementOptions options;
  options.RequestLive = true;
  auto statement = std::make_unique<TSqlStatement>(directory, kClickSql, options);
  statement->Prepare();
  return statement;
}

// Reads the first 20 names of the result; answers how many it read.
int ReadFirstNames(TDataCursor& cursor) {
  int read = 0;
  uint8_t name[64];
  cursor.First();
  while (read < kNamesShown && cursor.ReadNext(nullptr) == 0) {
    if (!cursor.GetField(kNameField, cursor.CurrentRecord().data(), name)) ++read;
    benchmark::DoNotOptimize(name);
  }
  return read;
}

// The same first names from SQLite's copy; answers how many it read.
int ReadFirstNames(sqlite3_stmt* names) {
  int read = 0;
  sqlite3_reset(names);
  while (sqlite3_step(names) == SQLITE_ROW) {
    benchmark::DoNotOptimize(sqlite3_column_text(names, 0));
    ++read;
  }
  return read;
}

int64_t SqliteCount(sqlite3_stmt* count) {
  sqlite3_reset(count);
  if (sqlite3_step(count) != SQLITE_ROW) Fail("SQLite gave no count");
  return sqlite3_column_int64(count, 0);
}

// Both sides count the rows a direct evaluation of the click's condition picks, and there are
// enough of them for the names read to mean something.
void CheckSameAnswer(int size, int64_t expected) {
  TDatabase database(size);
  auto statement = Prepared(database.Directory);
  TDataCursor& result = *statement->Execute();
  const int64_t rows = statement->RowsAffected();
  sqlite3* db = SqliteOpened(size);
  sqlite3_stmt* count = SqlitePrepared(db, "COUNT(*)");
  sqlite3_stmt* names = SqlitePrepared(db, "name", " LIMIT 20");
  const int64_t sqliteRows = SqliteCount(count);
  if (rows != expected || sqliteRows != expected || result.GetRecordCount() != rows)
    Fail("the click should find " + std::to_string(expected) + " rows: Sklad counts " + std::to_string(rows) + " (" +
         std::to_string(result.GetRecordCount()) + " in the result), SQLite " + std::to_string(sqliteRows));
  if (rows < kNamesShown) Fail("the click finds only " + std::to_string(rows) + " rows");
  CheckNamesRead("Sklad", ReadFirstNames(result), rows);
  CheckNamesRead("SQLite", ReadFirstNames(names), rows);
  std::printf("size %d: the click finds %lld rows on both sides\n", size, static_cast<long long>(rows));
  sqlite3_finalize(names);
  sqlite3_finalize(count);
  sqlite3_close(db);
}

// The data of one size, written and checked at its first use.
void MakeData(int size) {
  static std::map<int, bool> made;
  if (made[size]) return;
  made[size] = true;
  CheckSameAnswer(size, WriteData(size));
}

// The steps of one click on their own. SQLite opens a database lazily; its table is open once the
// schema has been read for a first statement.
void BM_OpenTableSklad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  for (auto _ : state) {
    TDataCursor cursor(database.Directory);
    cursor.SetTableName("t");
    cursor.SetSourceMode(true);
    cursor.Open();
  }
}

void BM_OpenTableSqlite(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  for (auto _ : state) {
    sqlite3* db = SqliteOpened(size);
    Exec(db, "SELECT name FROM t LIMIT 0");
    sqlite3_close(db);
  }
}

void BM_PrepareSklad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  for (auto _ : state) benchmark::DoNotOptimize(Prepared(database.Directory));
}

void BM_PrepareSqlite(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  sqlite3* db = SqliteOpened(size);
  for (auto _ : state) {
    sqlite3_finalize(SqlitePrepared(db, "COUNT(*)"));
    sqlite3_finalize(SqlitePrepared(db, "name", " LIMIT 20"));
  }
  sqlite3_close(db);
}

void BM_ExecuteAndCountSklad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  auto statement = Prepared(database.Directory);
  for (auto _ : state) {
    statement->Execute();
    benchmark::DoNotOptimize(statement->RowsAffected());
  }
}

void BM_ExecuteAndCountSqlite(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  sqlite3* db = SqliteOpened(size);
  sqlite3_stmt* count = SqlitePrepared(db, "COUNT(*)");
  for (auto _ : state) benchmark::DoNotOptimize(SqliteCount(count));
  sqlite3_finalize(count);
  sqlite3_close(db);
}

void BM_ReadTwentyNamesSklad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  auto statement = Prepared(database.Directory);
  TDataCursor& result = *statement->Execute();
  const int32_t rows = statement->RowsAffected();
  for (auto _ : state) CheckNamesRead("Sklad", ReadFirstNames(result), rows);
}

void BM_ReadTwentyNamesSqlite(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  sqlite3* db = SqliteOpened(size);
  sqlite3_stmt* count = SqlitePrepared(db, "COUNT(*)");
  const int64_t rows = SqliteCount(count);
  sqlite3_finalize(count);
  sqlite3_stmt* names = SqlitePrepared(db, "name", " LIMIT 20");
  for (auto _ : state) CheckNamesRead("SQLite", ReadFirstNames(names), rows);
  sqlite3_finalize(names);
  sqlite3_close(db);
}

// Each size its own case, so that the ratios come per size.
void RegisterAll() {
  const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {
      {"step_open_table_%d/sklad", BM_OpenTableSklad},
      {"step_open_table_%d/sqlite", BM_OpenTableSqlite},
      {"step_prepare_%d/sklad", BM_PrepareSklad},
      {"step_prepare_%d/sqlite", BM_PrepareSqlite},
      {"step_execute_count_%d/sklad", BM_ExecuteAndCountSklad},
      {"step_execute_count_%d/sqlite", BM_ExecuteAndCountSqlite},
      {"step_read_20_names_%d/sklad", BM_ReadTwentyNamesSklad},
      {"step_read_20_names_%d/sqlite", BM_ReadTwentyNamesSqlite}};
  for (int size : Sizes()) {
    for (auto [pattern, function] : cases) {
      char name[64];
      std::snprintf(name, sizeof name, pattern, size);
      benchmark::RegisterBenchmark(name, function)->Arg(size)->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  const int result = sklad::bench::RunWithRatios(argc, argv);
  for (int size : Sizes()) std::filesystem::remove_all(WorkDirectory(size));
  return result;
}
