// sklad check DIR TABLE: every consistency check the engine has for the table's files, a walk of
// each index against the records and of every BLOB value through its block chain. Prints what
// was checked and each finding; damage makes the command fail.
#include <fmt/format.h>

#include <memory>
#include <string>

#include "tools/sklad/TableScan.h"
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolTable.h"

namespace sklad::tool {
namespace {

void Check(const std::string& directory, const std::string& table, TToolStreams& streams) {
  TToolDatabase database(directory);
  std::unique_ptr<TDataCursor> cursor = OpenToolTable(database, directory, table);
  const TScanReport report = ScanTable(*cursor);
  streams.Out << "Checked " << table << "\n";
  for (const std::string& line : report.Checked) streams.Out << "  " << line << "\n";
  if (report.Findings.empty()) {
    streams.Out << "No damage found\n";
    return;
  }
  streams.Out << "Damage found\n";
  for (const std::string& line : report.Findings) streams.Out << "  " << line << "\n";
  throw TToolFailure(fmt::format("sklad check: table '{}' is damaged: {} finding{}", table, report.Findings.size(),
                                 report.Findings.size() == 1 ? "" : "s"));
}

}  // namespace

void AddCheckCommand(CLI::App& app, TToolStreams& streams) {
  CLI::App* command = app.add_subcommand("check", "Check a table's data, index and BLOB files for damage");
  auto directory = std::make_shared<std::string>();
  auto table = std::make_shared<std::string>();
  command->add_option("DIR", *directory, "Folder of the table")->required();
  command->add_option("TABLE", *table, "Table name")->required();
  command->callback([directory, table, &streams] { Check(*directory, *table, streams); });
}

}  // namespace sklad::tool
