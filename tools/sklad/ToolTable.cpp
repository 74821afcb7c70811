#include "tools/sklad/ToolTable.h"

#include <fmt/format.h>

#include "tools/sklad/Tool.h"

namespace sklad::tool {

std::unique_ptr<TDataCursor> OpenToolTable(TToolDatabase& database, const std::string& folder,
                                           const std::string& table) {
  if (!database.Database().TableExists(table, false))
    throw TToolFailure(fmt::format("sklad: no table '{}' in {}", table, folder));
  auto cursor = std::make_unique<TDataCursor>(database.Database());
  cursor->SetTableName(table);
  cursor->SetReadOnly(true);
  cursor->Open();
  return cursor;
}

}  // namespace sklad::tool
