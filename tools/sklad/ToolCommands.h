// The subcommands of the `sklad` tool. Each adds itself to the command line; its callback runs the
// command, writes to the streams and throws on failure (engine errors, TToolFailure, TUsageError).
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "tools/sklad/Tool.h"

namespace sklad::tool {

// The folder and the table name a command starts with, as required positional arguments.
void AddTableArguments(CLI::App& command, std::string& directory, std::string& table,
                       const std::string& tableHelp = "Table name");

void AddInfoCommand(CLI::App& app, TToolStreams& streams);
void AddCheckCommand(CLI::App& app, TToolStreams& streams);
void AddSqlCommand(CLI::App& app, TToolStreams& streams);
void AddImportCommand(CLI::App& app, TToolStreams& streams);
void AddExportCommand(CLI::App& app, TToolStreams& streams);

}  // namespace sklad::tool
