#include "tools/sklad/ToolTable.h"

#include <fmt/format.h>

#include "tools/sklad/Tool.h"

namespace sklad::tool {

std::unique_ptr<TDataCursor> OpenToolTable(TToolDatabase& database, const std::string& folder,
                                           const std::string& table) {
  TDataDirectory& directory = database.Database();
  if (!directory.TableExists(table, false)) throw TToolFailure(fmt::format("sklad: no table '{}' in {}", table, folder));
  // The cursor shares the table object opened here for reading only, and keeps it when this
  // opening's own reference goes.
  TDataTable* reading = directory.OpenTable(table, false, {.ForReading = true});
  auto cursor = std::make_unique<TDataCursor>(directory);
  try {
    cursor->SetTableName(table);
    cursor->SetReadOnly(true);
    cursor->Open();
  } catch (...) {
    directory.CloseTable(reading);
    throw;
  }
  directory.CloseTable(reading);
  return cursor;
}

}  // namespace sklad::tool
