// sklad sql: not built yet.
#include "tools/sklad/ToolCommands.h"

namespace sklad::tool {

void AddSqlCommand(CLI::App& app, TToolStreams&) {
  app.add_subcommand("sql", "not built yet")->callback([] { throw TToolFailure("sklad sql: not built yet"); });
}

}  // namespace sklad::tool
