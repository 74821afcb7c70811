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

// How export writes values and import reads them, for the help of both.
inline constexpr const char* kValueFormsHelp =
    "Values: CSV after RFC 4180 in UTF-8 with a header line of column names. An empty field is NULL;\n"
    "a quoted empty field (\"\") is the empty text, which a text column stores as NULL and other\n"
    "columns refuse. Dates and times as 2003-07-14 and 12:34:56.500, '.' as the decimal point.\n"
    "Floats in the shortest form that reads back to the same value (0.30000000000000004, 1e+20),\n"
    "inf, -inf and nan for values that are not finite; DECIMAL and MONEY with all their decimal\n"
    "places (12.50): a DECIMAL with more decimal places than its column keeps is refused, not\n"
    "rounded. Bytes and binary BLOBs as hexadecimal digits (48656C6C6F). JSON writes numbers as\n"
    "numbers and inf, -inf and nan as strings.";

void AddInfoCommand(CLI::App& app, TToolStreams& streams);
void AddCheckCommand(CLI::App& app, TToolStreams& streams);
void AddSqlCommand(CLI::App& app, TToolStreams& streams);
void AddImportCommand(CLI::App& app, TToolStreams& streams);
void AddExportCommand(CLI::App& app, TToolStreams& streams);

}  // namespace sklad::tool
