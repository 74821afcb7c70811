// sklad import: not built yet.
#include "tools/sklad/ToolCommands.h"

namespace sklad::tool {

void AddImportCommand(CLI::App& app, TToolStreams&) {
  app.add_subcommand("import", "not built yet")->callback([] { throw TToolFailure("sklad import: not built yet"); });
}

}  // namespace sklad::tool
