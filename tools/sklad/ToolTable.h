// The table a command looks into: a read-only cursor on an existing table of the command's
// folder, whose files are opened for reading only, so that tables the user may not write (a
// read-only folder, files of another user) can be looked into and nothing is ever written to
// them. A table that is not there is a failure naming it; one the engine cannot open gives the
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
