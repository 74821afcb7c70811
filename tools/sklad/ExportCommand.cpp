// sklad export DIR TABLE [--csv | --json]: the whole table in natural order with its column
// names, as CSV (the default) or JSON. The CSV is what `sklad import` reads back.
#include "tools/sklad/ResultRows.h"
#include "tools/sklad/ResultWriter.h"
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolTable.h"

namespace sklad::tool {
namespace {

struct TExportOptions {
  std::string Directory;
  std::string Table;
  bool Csv = false;
  bool Json = false;
};

void RunExport(const TExportOptions& options, TToolStreams& streams) {
  TToolDatabase database(options.Directory);
  const std::unique_ptr<TDataCursor> cursor = OpenToolTable(database, options.Directory, options.Table);
  cursor->SelectIndex(TDataCursor::kNaturalOrder);
  const TOutputForm form = ChooseOutputForm(options.Csv, options.Json, false, TOutputForm::Csv);
  TResultRows rows(*cursor, TableColumns(*cursor));
  WriteRows(rows, *MakeResultWriter(form, streams.Out));
}

}  // namespace

void AddExportCommand(CLI::App& app, TToolStreams& streams) {
  CLI::App* command = app.add_subcommand("export", "Write a whole table as CSV or JSON");
  command->footer(kValueFormsHelp);
  auto options = std::make_shared<TExportOptions>();
  AddTableArguments(*command, options->Directory, options->Table);
  CLI::Option* csv = command->add_flag("--csv", options->Csv, "CSV with a header line (the default)");
  command->add_flag("--json", options->Json, "A JSON array of objects")->excludes(csv);
  command->callback([options, &streams] { RunExport(*options, streams); });
}

}  // namespace sklad::tool
