// The table a command looks into: a read-only cursor on an existing table of the command's
// folder. A table that is not there is a failure naming it; one the engine cannot open gives the
// engine's error.
#pragma once

#include <memory>
#include <string>

#include "engine/cursor/DataCursor.h"
#include "tools/sklad/ToolDatabase.h"

namespace sklad::tool {

std::unique_ptr<TDataCursor> OpenToolTable(TToolDatabase& database, const std::string& folder,
                                           const std::string& table);

}  // namespace sklad::tool
