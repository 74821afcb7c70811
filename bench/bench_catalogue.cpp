// The catalogue against SQLite: the same synthetic catalogue built in both, and the browser's work
// timed on each — the bulk load, the toggle click's live SQL (count and the first 20 names), the
// same with the type window's LIKEs, the word search over name and description set as a filter
// on the live result, a walk reading every field of the result, and point lookups by name.
// Both sides must give the same answers before anything is timed. Sizes 100,000 and 1,000,000
// records (SKLAD_BENCH_RECORDS: one size of its own). Each line shows both CPU times (the least
// of several runs) and the ratio Sklad/SQLite; the same goes to a JSON file (--json PATH).
#include <sqlite3.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "CatalogueLoad.h"
#include "CatalogueText.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/blob/BlobBlockCache.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/index/IndexFile.h"
#include "platform/locale/CodePage.h"
#include "tools/volume/SyntheticCatalogue.h"

namespace {

using namespace sklad;
using sklad::bench::TCatalogueToggles;
using sklad::bench::TDialect;

constexpr const char* kTable = "katalog";
constexpr int kCodePage = sklad::bench::kCatalogueCodePage;
constexpr int kNamesShown = 20;
constexpr int kLookups = 1000;
constexpr int kNameField = 5;
constexpr int kMemoField = sklad::bench::kCatalogueMemoField;

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_catalogue: %s\n", message.c_str());
  std::exit(1);
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The least CPU time of several runs: at least three, more while they stay short.
double LeastTime(const std::function<void()>& run) {
  double least = 1e30, total = 0;
  for (int runs = 0; runs < 3 || (runs < 25 && total < 1.0); ++runs) {
    const double start = CpuSeconds();
    run();
    const double spent = CpuSeconds() - start;
    least = std::min(least, spent);
    total += spent;
  }
  return least;
}

std::string ToUtf8(const uint8_t* bytes, size_t length) {
  return platform::CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), length), kCodePage);
}

// ---- The answers both sides must agree on ----

// A result as rows of UTF-8 texts ("" for null), in the order the side gave them.
using TRows = std::vector<std::vector<std::string>>;

struct TAnswer {
  int64_t Count = 0;
  TRows Rows;
  bool operator==(const TAnswer&) const = default;
};

std::string Describe(const TAnswer& answer) {
  std::string text = std::to_string(answer.Count) + " rows";
  if (!answer.Rows.empty()) text += ", first: " + answer.Rows.front().front();
  return text;
}

// ---- Sklad ----

struct TSklad : sklad::bench::TBenchDatabase {
  using TBenchDatabase::TBenchDatabase;

  std::unique_ptr<TSqlStatement> Live(const std::string& sql) {
    TSqlStatementOptions options;
    options.RequestLive = true;
    auto statement = std::make_unique<TSqlStatement>(*Database, sql, options);
    statement->Prepare();
    statement->Execute();
    return statement;
  }
};

// Bytes of the caches the table's files keep: records, index pages of every index, BLOB blocks.
int64_t SkladCacheBytes(TSklad& sklad) {
  TDataCursor cursor(*sklad.Database);
  cursor.SetTableName(kTable);
  cursor.Open();
  TDataTable& table = *cursor.Table();
  const int64_t records = int64_t{table.Data().Records().NormalCapacity()} * table.Data().RecordSize();
  const int indexSlots = table.Index().SecondaryCount() + 2;  // primary slot and the record-state index
  const int64_t pages = int64_t{indexSlots} * TIndexPageCache::kNormalCapacity * TIndexFile::kPageSize;
  const int32_t blockSize = table.Blob().BlockSize();
  return records + pages + int64_t{TBlobBlockCache::NormalCapacity(blockSize)} * blockSize;
}

std::string SkladText(const TDataCursor& cursor, int field, const uint8_t* record) {
  uint8_t value[256];
  if (cursor.GetField(field, record, value)) return "";
  return ToUtf8(value, std::strlen(reinterpret_cast<const char*>(value)));
}

// A field of a record: kept as UTF-8 text for the answer check, or only read (as the list does).
void SkladField(const TDataCursor& cursor, int field, const uint8_t* record, std::vector<std::string>* row) {
  if (row != nullptr) {
    row->push_back(SkladText(cursor, field, record));
    return;
  }
  uint8_t value[256];
  cursor.GetField(field, record, value);
}

// The first 20 names of the cursor's visible records; kept only when asked.
TRows SkladFirstNames(TDataCursor& cursor, bool keep) {
  TRows names;
  cursor.First();
  for (int read = 0; read < kNamesShown && cursor.ReadNext(nullptr) == cursor_status::Ok; ++read) {
    std::vector<std::string> row;
    SkladField(cursor, kNameField, cursor.CurrentRecord().data(), keep ? &row : nullptr);
    if (keep) names.push_back(std::move(row));
  }
  return names;
}

// Every field of every visible record, the memo read whole. The texts are kept only when asked
// (for the answer check), otherwise only read.
TAnswer SkladWalk(TDataCursor& cursor, bool keep) {
  TAnswer answer;
  // The whole walk under one read lock, as SQLite reads one statement's rows in one transaction.
  cursor.BeginRead();
  struct TEndRead {
    TDataCursor& Cursor;
    ~TEndRead() { Cursor.EndRead(); }
  } endRead{cursor};
  cursor.First();
  while (cursor.ReadNext(nullptr) == cursor_status::Ok) {
    const uint8_t* record = cursor.CurrentRecord().data();
    ++answer.Count;
    std::vector<std::string> row;
    for (int field = 1; field < kMemoField; ++field) SkladField(cursor, field, record, keep ? &row : nullptr);
    const std::vector<uint8_t> memo = cursor.ReadWholeTableBlob(kMemoField, record);
    if (keep) {
      row.push_back(ToUtf8(memo.data(), memo.size()));
      answer.Rows.push_back(std::move(row));
    }
  }
  return answer;
}

// The toggle click: the SQL text prepared and executed live, its rows counted, 20 names read.
TAnswer SkladClick(TSklad& sklad, const std::string& sql, bool keep) {
  auto statement = sklad.Live(sql);
  return {statement->RowsAffected(), SkladFirstNames(*statement->Result(), keep)};
}

// The word search on an open live result: the filter set, counted, 20 names read, dropped again.
TAnswer SkladWordSearch(TDataCursor& result, const std::string& filterText, bool keep) {
  TFilter* filter = result.AddFilter(filterText, false, true);
  result.ActivateFilter(filter);
  TAnswer answer{result.GetRecordCount(), SkladFirstNames(result, keep)};
  result.DropFilter(filter);
  return answer;
}

// ---- SQLite ----

struct TSqlite {
  sqlite3* Db = nullptr;
  std::vector<sqlite3_stmt*> Statements;

  TSqlite(const std::string& fileName, int64_t cacheBytes) {
    if (sqlite3_open(fileName.c_str(), &Db) != SQLITE_OK) Fail("SQLite file cannot be opened");
    // The same cache budget as ours; LIKE compares by case as our SQL does.
    sklad::bench::Exec(Db, ("PRAGMA cache_size=-" + std::to_string(cacheBytes / 1024)).c_str());
    sklad::bench::Exec(Db, "PRAGMA case_sensitive_like=ON");
  }
  ~TSqlite() {
    for (sqlite3_stmt* statement : Statements) sqlite3_finalize(statement);
    sqlite3_close(Db);
  }
  TSqlite(const TSqlite&) = delete;
  TSqlite& operator=(const TSqlite&) = delete;

  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(Db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      Fail("SQLite: " + std::string(sqlite3_errmsg(Db)) + " in " + sql);
    }
    Statements.push_back(statement);
    return statement;
  }
};

std::string SqliteText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text == nullptr ? "" : std::string(reinterpret_cast<const char*>(text));
}

// A statement's rows: the first column of each, or every column.
TRows SqliteRows(sqlite3_stmt* statement, bool allColumns, bool keep, int64_t& count) {
  TRows rows;
  int64_t bytes = 0;
  sqlite3_reset(statement);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    ++count;
    const int columns = allColumns ? sqlite3_column_count(statement) : 1;
    std::vector<std::string> row;
    for (int column = 0; column < columns; ++column) {
      if (keep) {
        row.push_back(SqliteText(statement, column));
      } else {
        sqlite3_column_text(statement, column);
        bytes += sqlite3_column_bytes(statement, column);
      }
    }
    if (keep) rows.push_back(std::move(row));
  }
  if (bytes < 0) Fail("impossible byte count");
  return rows;
}

// The count and the first 20 names, both statements prepared once.
struct TSqliteQuery {
  sqlite3_stmt* Count;
  sqlite3_stmt* Names;
  TSqliteQuery(TSqlite& sqlite, const std::string& condition)
      : Count(sqlite.Prepare("SELECT COUNT(*) FROM " + std::string(kTable) + " WHERE " + condition)),
        Names(sqlite.Prepare("SELECT name FROM " + std::string(kTable) + " WHERE " + condition +
                             " ORDER BY rowid LIMIT " + std::to_string(kNamesShown))) {}

  TAnswer Run() const {
    sqlite3_reset(Count);
    if (sqlite3_step(Count) != SQLITE_ROW) Fail("SQLite gave no count");
    TAnswer answer{sqlite3_column_int64(Count, 0), {}};
    int64_t names = 0;
    answer.Rows = SqliteRows(Names, false, true, names);
    return answer;
  }
};

// ---- The workloads ----

struct TResultLine {
  std::string Workload;
  int Size;
  double Sklad, Sqlite;
  int64_t Rows;
};

class TCatalogueBench {
 public:
  TCatalogueBench(int size, std::vector<TResultLine>& lines)
      : FSize(size), FDirectory(sklad::bench::WorkDirectory("catalogue-" + std::to_string(size))), FLines(lines) {}
  ~TCatalogueBench() { std::filesystem::remove_all(FDirectory); }
  TCatalogueBench(const TCatalogueBench&) = delete;
  TCatalogueBench& operator=(const TCatalogueBench&) = delete;

  void RunAll() {
    BulkLoad();
    TSklad sklad(FDirectory);
    TSqlite sqlite(SqliteFile(), SkladCacheBytes(sklad));
    const TCatalogueToggles toggles{{1, 2}, {1, 3, 99}, {}, "OR"};
    const TCatalogueToggles typesOr{{1, 2}, {1, 3, 99}, {2, 7, 13}, "OR"};
    const TCatalogueToggles typesAnd{{1, 2}, {1, 3, 99}, {2, 11}, "AND"};
    Click(sklad, sqlite, "toggle_sql", toggles);
    Click(sklad, sqlite, "toggle_sql_types_or", typesOr);
    Click(sklad, sqlite, "toggle_sql_types_and", typesAnd);
    WordSearch(sklad, sqlite, toggles);
    Walk(sklad, sqlite, toggles);
    Lookups(sklad, sqlite);
  }

 private:
  std::string SqliteFile() const { return (FDirectory / "katalog.sqlite").string(); }

  void Report(const std::string& workload, double skladTime, double sqliteTime, int64_t rows) {
    FLines.push_back({workload, FSize, skladTime, sqliteTime, rows});
    std::printf("%-22s %8d records %10lld rows  sklad %10.3f ms  sqlite %10.3f ms  sklad/sqlite %6.2f\n",
                workload.c_str(), FSize, static_cast<long long>(rows), skladTime * 1e3, sqliteTime * 1e3,
                skladTime / sqliteTime);
    std::fflush(stdout);
  }

  static void Agree(const std::string& workload, const TAnswer& sklad, const TAnswer& sqlite) {
    if (!(sklad == sqlite)) {
      Fail(workload + ": the answers differ: Sklad " + Describe(sklad) + ", SQLite " + Describe(sqlite));
    }
  }

  void BulkLoad() {
    std::filesystem::create_directories(FDirectory);
    double start = CpuSeconds();
    {
      TSklad sklad(FDirectory);
      sklad::bench::LoadSkladCatalogue(*sklad.Database, kTable, FSize);
    }
    const double skladTime = CpuSeconds() - start;
    start = CpuSeconds();
    sklad::bench::LoadSqliteCatalogue(SqliteFile(), kTable, FSize);
    Report("bulk_load", skladTime, CpuSeconds() - start, FSize);
  }

  void Click(TSklad& sklad, TSqlite& sqlite, const std::string& workload, const TCatalogueToggles& toggles) {
    const std::string sql = CatalogueSelect(kTable, toggles, TDialect::Sklad);
    const TSqliteQuery query(sqlite, CatalogueCondition(toggles, TDialect::Sqlite));
    const TAnswer answer = SkladClick(sklad, sql, true);
    Agree(workload, answer, query.Run());
    Report(workload, LeastTime([&] { SkladClick(sklad, sql, false); }), LeastTime([&] { query.Run(); }), answer.Count);
  }

  void WordSearch(TSklad& sklad, TSqlite& sqlite, const TCatalogueToggles& toggles) {
    auto statement = sklad.Live(CatalogueSelect(kTable, toggles, TDialect::Sklad));
    TDataCursor& result = *statement->Result();
    const std::string filter = sklad::bench::WordSearch("linux", TDialect::Sklad);
    const TSqliteQuery query(sqlite, CatalogueCondition(toggles, TDialect::Sqlite) + " AND (" +
                                         sklad::bench::WordSearch("linux", TDialect::Sqlite) + ")");
    const TAnswer answer = SkladWordSearch(result, filter, true);
    Agree("word_search", answer, query.Run());
    Report("word_search", LeastTime([&] { SkladWordSearch(result, filter, false); }), LeastTime([&] { query.Run(); }),
           answer.Count);
  }

  void Walk(TSklad& sklad, TSqlite& sqlite, const TCatalogueToggles& toggles) {
    auto statement = sklad.Live(CatalogueSelect(kTable, toggles, TDialect::Sklad));
    TDataCursor& result = *statement->Result();
    sqlite3_stmt* rows = sqlite.Prepare("SELECT * FROM " + std::string(kTable) + " WHERE " +
                                        CatalogueCondition(toggles, TDialect::Sqlite) + " ORDER BY rowid");
    TAnswer expected;
    expected.Rows = SqliteRows(rows, true, true, expected.Count);
    const TAnswer answer = SkladWalk(result, true);
    Agree("walk_result", answer, expected);
    Report("walk_result", LeastTime([&] { SkladWalk(result, false); }), LeastTime([&] {
             int64_t count = 0;
             SqliteRows(rows, true, false, count);
           }),
           answer.Count);
  }

  // Names of records spread over the table, looked up one by one through the name index.
  void Lookups(TSklad& sklad, TSqlite& sqlite) {
    std::vector<std::string> names;
    for (int i = 0; i < kLookups; ++i) {
      names.push_back(rejstrik::volume::SyntheticCatalogueRecord(int64_t{i} * 7919 % FSize).name);
    }
    TDataCursor cursor(*sklad.Database);
    cursor.SetTableName(kTable);
    cursor.Open();
    cursor.SelectIndexByName("by_name");
    std::vector<uint8_t> key(static_cast<size_t>(cursor.RecordSize())), record(key.size());
    const auto skladLookups = [&](TRows* found) {
      for (const std::string& name : names) {
        cursor.InitRecord(key.data());
        sklad::bench::catalogue_load::PutText(cursor, kNameField, key.data(), name);
        if (!cursor.FindKey(false, key.data(), record.data(), 0, false, 0)) Fail("Sklad misses " + name);
        std::vector<std::string> row;
        for (int field = 1; field < kMemoField; ++field) {
          SkladField(cursor, field, record.data(), found != nullptr ? &row : nullptr);
        }
        if (found != nullptr) found->push_back(std::move(row));
      }
    };
    sqlite3_stmt* byName = sqlite.Prepare("SELECT p, r, typ, os, name, src, inet FROM " + std::string(kTable) +
                                          " WHERE name = ?");
    const auto sqliteLookups = [&](TRows* found) {
      for (const std::string& name : names) {
        sqlite3_reset(byName);
        sqlite3_bind_text(byName, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
        if (sqlite3_step(byName) != SQLITE_ROW) Fail("SQLite misses " + name);
        std::vector<std::string> row;
        for (int column = 0; column < kMemoField - 1; ++column) {
          if (found != nullptr) row.push_back(SqliteText(byName, column));
          sqlite3_column_text(byName, column);
        }
        if (found != nullptr) found->push_back(std::move(row));
      }
    };
    TAnswer skladAnswer{kLookups, {}}, sqliteAnswer{kLookups, {}};
    skladLookups(&skladAnswer.Rows);
    sqliteLookups(&sqliteAnswer.Rows);
    Agree("name_lookups", skladAnswer, sqliteAnswer);
    Report("name_lookups", LeastTime([&] { skladLookups(nullptr); }), LeastTime([&] { sqliteLookups(nullptr); }),
           kLookups);
  }

  int FSize;
  std::filesystem::path FDirectory;
  std::vector<TResultLine>& FLines;
};

// The browser's own text for issues 1 and 2 and sections 1, 3 and 99 must come out byte for byte.
void CheckClickText() {
  const std::string expected =
      "SELECT * FROM TABLE\r\n"
      "WHERE ((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')\r\n"
      " OR (SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')\r\n"
      ")\r\n"
      " AND \r\n"
      "((r = '1')\r\n"
      " OR (r = '3')\r\n"
      " OR (r = '99')\r\n"
      ")\r\n"
      " AND \r\n"
      "(( typ LIKE \"_1%\")\r\n"
      " AND (os LIKE \"_____1%\")\r\n"
      ")\r\n";
  if (CatalogueSelect("TABLE", {{1, 2}, {1, 3, 99}, {2, 11}, "AND"}, TDialect::Sklad) != expected) {
    Fail("the click's SQL text is not the browser's");
  }
}

std::vector<int> Sizes() {
  const char* text = std::getenv("SKLAD_BENCH_RECORDS");
  if (text != nullptr && std::atoi(text) > 0) return {std::atoi(text)};
  return {100000, 1000000};
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("The catalogue's workloads timed on Sklad and on SQLite");
  std::string jsonPath = "bench-catalogue.json";
  app.add_option("--json", jsonPath, "Where the figures go as JSON");
  // scripts/bench.sh hands every program the same arguments, Google Benchmark's flags among them.
  app.allow_extras();
  CLI11_PARSE(app, argc, argv);
  CheckClickText();
  std::vector<TResultLine> lines;
  for (int size : Sizes()) TCatalogueBench(size, lines).RunAll();
  nlohmann::json figures = nlohmann::json::array();
  for (const TResultLine& line : lines) {
    figures.push_back({{"workload", line.Workload},
                       {"records", line.Size},
                       {"rows", line.Rows},
                       {"sklad_ms", line.Sklad * 1e3},
                       {"sqlite_ms", line.Sqlite * 1e3},
                       {"ratio", line.Sklad / line.Sqlite}});
  }
  std::ofstream(jsonPath) << figures.dump(2) << '\n';
  std::printf("figures written to %s\n", jsonPath.c_str());
  return 0;
}
