#include "tools/sklad/Tool.h"

#include <CLI/CLI.hpp>

#include <exception>

#include "engine/storage/core/EngineError.h"
#include "tools/sklad/ToolCommands.h"

namespace sklad::tool {
namespace {

// A table is named by its name inside the folder: a path would reach files in other folders.
std::string TableNameProblem(const std::string& name) {
  if (name.find_first_not_of(' ') == std::string::npos) return "a table name is needed";
  if (name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos)
    return "'" + name + "' is not a name inside DIR: '/', '\\' and '..' are not allowed";
  return {};
}

}  // namespace

void AddTableArguments(CLI::App& command, std::string& directory, std::string& table, const std::string& tableHelp) {
  command.add_option("DIR", directory, "Folder of the table")->required();
  command.add_option("TABLE", table, tableHelp + " (a name inside DIR)")
      ->required()
      ->check(CLI::Validator(TableNameProblem, "NAME", "table name"));
}

int RunTool(int argc, char** argv, TToolStreams& streams) {
  CLI::App app{"sklad: look into, check, load, export and query Sklad tables", "sklad"};
  app.require_subcommand(1);
  AddInfoCommand(app, streams);
  AddCheckCommand(app, streams);
  AddSqlCommand(app, streams);
  AddImportCommand(app, streams);
  AddExportCommand(app, streams);

  try {
    app.parse(argc, argv);
    return kExitSuccess;
  } catch (const CLI::ParseError& error) {
    // Help asked for goes to the output with status 0; a wrong command line is a usage error.
    return app.exit(error, streams.Out, streams.Err) == 0 ? kExitSuccess : kExitUsage;
  } catch (const TUsageError& error) {
    streams.Err << "sklad: " << error.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    // Engine errors carry their own "Sklad Engine Error # ..." text; other failures say theirs.
    streams.Err << error.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace sklad::tool
