// The catalogue's click cycle: a toggle click prepares the SQL text afresh (opening the table),
// executes it live, counts the rows and reads the first 20 names — against SQLite preparing and
// running the equivalent statements on the same rows. Sizes 100,000 and 1,000,000 records
// (SKLAD_BENCH_RECORDS overrides both with one size). The steps of the click are measured on
// their own too: opening the table, preparing, executing and counting, reading 20 names.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/query/sql/SqlStatement.h"
#include "engine/storage/DataDirectory.h"
#include "engine/storage/DataSession.h"
#include "engine/storage/DataTable.h"

namespace {

using namespace sklad;

constexpr uint16_t kCzech = 1029;
constexpr int kNameField = 5;

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
  row.r = std::to_string(i / 12 % 12 + 1);  // independent of the issue, so that the click finds rows
  std::snprintf(text, sizeof text, "%d%d%d%d%d", i / 3 % 2, i / 2 % 2, i / 4 % 2, i / 8 % 2, i / 16 % 2);
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

std::filesystem::path WorkDirectory(int size) {
  return std::filesystem::temp_directory_path() /
         ("sklad-bench-query-" + std::to_string(::getpid()) + "-" + std::to_string(size));
}

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

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// One size's table in our files and in SQLite, with indexes on p, r and name in both.
void MakeData(int size) {
  static std::map<int, bool> made;
  if (made[size]) return;
  made[size] = true;
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
  for (int i = 1; i <= size; ++i) {
    const TRow row = MakeRow(i);
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

int64_t ReadFirstNames(TDataCursor& cursor) {
  int64_t bytes = 0;
  uint8_t name[64];
  cursor.First();
  for (int i = 0; i < 20 && cursor.ReadNext(nullptr) == 0; ++i) {
    if (!cursor.GetField(kNameField, cursor.CurrentRecord().data(), name)) bytes += 1;
  }
  return bytes;
}

void BM_ClickSklad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  for (auto _ : state) {
    auto statement = Prepared(database.Directory);
    TDataCursor& result = *statement->Execute();
    benchmark::DoNotOptimize(statement->RowsAffected());
    benchmark::DoNotOptimize(ReadFirstNames(result));
  }
}

void BM_ClickSqlite(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  const std::string count = std::string("SELECT COUNT(*)") + kSqliteWhere;
  const std::string names = std::string("SELECT name") + kSqliteWhere + " LIMIT 20";
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((WorkDirectory(size) / "t.sqlite").string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, count.c_str(), -1, &statement, nullptr);
    sqlite3_step(statement);
    benchmark::DoNotOptimize(sqlite3_column_int(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_prepare_v2(db, names.c_str(), -1, &statement, nullptr);
    int64_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) bytes += sqlite3_column_bytes(statement, 0);
    benchmark::DoNotOptimize(bytes);
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
}

// The steps of one click on their own.
void BM_OpenTable(benchmark::State& state) {
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

void BM_Prepare(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  for (auto _ : state) benchmark::DoNotOptimize(Prepared(database.Directory));
}

void BM_ExecuteAndCount(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  auto statement = Prepared(database.Directory);
  for (auto _ : state) {
    statement->Execute();
    benchmark::DoNotOptimize(statement->RowsAffected());
  }
}

void BM_ReadTwentyNames(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  MakeData(size);
  TDatabase database(size);
  auto statement = Prepared(database.Directory);
  TDataCursor& result = *statement->Execute();
  for (auto _ : state) benchmark::DoNotOptimize(ReadFirstNames(result));
}

// Each size its own case, so that the ratios come per size.
void RegisterAll() {
  const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {
      {"click_%d/sklad", BM_ClickSklad},     {"click_%d/sqlite", BM_ClickSqlite},
      {"step_open_table_%d", BM_OpenTable},  {"step_prepare_%d", BM_Prepare},
      {"step_execute_count_%d", BM_ExecuteAndCount}, {"step_read_20_names_%d", BM_ReadTwentyNames}};
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
