// sklad export: not built yet.
#include "tools/sklad/ToolCommands.h"

namespace sklad::tool {

void AddExportCommand(CLI::App& app, TToolStreams&) {
  app.add_subcommand("export", "not built yet")->callback([] { throw TToolFailure("sklad export: not built yet"); });
}

}  // namespace sklad::tool
