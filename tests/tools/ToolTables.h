// What a table holds, read back through the engine for the tool tests: every active record in
// natural order with each field as the tool prints it (null as no value), and the files a folder
// holds.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "tools/sklad/ResultRows.h"

namespace sklad::testing {

using TRow = std::vector<std::optional<std::string>>;

inline std::vector<TRow> ReadRows(const std::string& directory, const std::string& table) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  TDataCursor cursor(*database);
  cursor.SetTableName(table);
  cursor.SetReadOnly(true);
  cursor.Open();
  tool::TResultRows rows(cursor);
  std::vector<TRow> read;
  std::vector<tool::TResultCell> cells;
  while (rows.Next(cells)) {
    TRow row;
    for (tool::TResultCell& cell : cells)
      row.push_back(cell.Kind == tool::TCellKind::Null ? std::nullopt : std::optional(std::move(cell.Text)));
    read.push_back(std::move(row));
  }
  return read;
}

// The names of the files in a folder.
inline std::set<std::string> FilesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

// Every file of a folder with its bytes and its time of last change, to see that nothing changed.
inline std::string FilesWithContents(const std::filesystem::path& directory) {
  std::string all;
  for (const std::string& name : FilesIn(directory)) {
    std::ifstream file(directory / name, std::ios::binary);
    const auto changed = std::filesystem::last_write_time(directory / name).time_since_epoch().count();
    all += name + "@" + std::to_string(changed) + ":" + std::string(std::istreambuf_iterator<char>(file), {}) + "\n";
  }
  return all;
}

}  // namespace sklad::testing
