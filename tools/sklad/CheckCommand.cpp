// sklad check: not built yet.
#include "tools/sklad/ToolCommands.h"

namespace sklad::tool {

void AddCheckCommand(CLI::App& app, TToolStreams&) {
  app.add_subcommand("check", "not built yet")->callback([] { throw TToolFailure("sklad check: not built yet"); });
}

}  // namespace sklad::tool
