// What every benchmark program shares: its record count (the full size, or SKLAD_BENCH_RECORDS
// for a quick look), a work directory of its own under the temporary directory, running an
// SQLite statement that must succeed, and filling an SQLite file in bulk.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

namespace sklad::bench {

inline int RecordCount(int fullSize) {
  const char* text = std::getenv("SKLAD_BENCH_RECORDS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fullSize;
}

// "sklad-bench-<name>-<process id>" in the temporary directory; the program removes it at exit.
inline std::filesystem::path WorkDirectory(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("sklad-bench-" + name + "-" + std::to_string(::getpid()));
}

// Runs statements that must succeed; a failure ends the program with SQLite's message.
inline void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// Makes an SQLite file afresh and fills it in one transaction with journaling off through one
// prepared INSERT: bind a row's values to Row(), then Add() it.
class TSqliteBulkLoad {
 public:
  TSqliteBulkLoad(const std::string& fileName, const char* schema, const char* insert) {
    std::filesystem::remove(fileName);
    sqlite3_open(fileName.c_str(), &FDb);
    Exec(FDb, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
    Exec(FDb, schema);
    Exec(FDb, "BEGIN");
    sqlite3_prepare_v2(FDb, insert, -1, &FInsert, nullptr);
  }
  ~TSqliteBulkLoad() {
    if (FDb != nullptr) sqlite3_close(Commit());
  }
  TSqliteBulkLoad(const TSqliteBulkLoad&) = delete;
  TSqliteBulkLoad& operator=(const TSqliteBulkLoad&) = delete;

  sqlite3_stmt* Row() const { return FInsert; }
  void Add() {
    sqlite3_step(FInsert);
    sqlite3_reset(FInsert);
  }
  // Commits the rows and hands the open connection over to the caller.
  sqlite3* Commit() {
    sqlite3_finalize(FInsert);
    FInsert = nullptr;
    Exec(FDb, "COMMIT");
    return std::exchange(FDb, nullptr);
  }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FInsert = nullptr;
};

}  // namespace sklad::bench
