// What every benchmark program shares: its record count (the full size, or SKLAD_BENCH_RECORDS
// for a quick look), a work directory of its own under the temporary directory, and running an
// SQLite statement that must succeed.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

}  // namespace sklad::bench
