// sklad info DIR TABLE: not built yet beyond opening the folder.
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolDatabase.h"

namespace sklad::tool {

void AddInfoCommand(CLI::App& app, TToolStreams&) {
  CLI::App* command = app.add_subcommand("info", "Header facts, fields, indexes and record count of a table");
  auto directory = std::make_shared<std::string>();
  auto table = std::make_shared<std::string>();
  command->add_option("DIR", *directory, "Folder of the table")->required();
  command->add_option("TABLE", *table, "Table name")->required();
  command->callback([directory, table] {
    TToolDatabase database(*directory);
    throw TToolFailure("sklad info: not built yet");
  });
}

}  // namespace sklad::tool
