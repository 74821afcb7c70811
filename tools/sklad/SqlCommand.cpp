// sklad sql DIR [-c TEXT | -f FILE] [--filter TEXT] [--csv | --json] [--language NAME]: runs a
// script of statements in order and stops at the first error. A SELECT asks for a live result and
// prints its rows on the output; other statements tell the rows they changed on the error stream,
// so the output stays machine-readable. Statements are read with the language-neutral
// conventions (ISO dates, '.' as the decimal point) whatever the machine's locale.
#include <fmt/format.h>

#include <fstream>
#include <sstream>

#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/language/LanguageList.h"
#include "platform/locale/LocaleId.h"
#include "tools/sklad/CodePageText.h"
#include "tools/sklad/ResultRows.h"
#include "tools/sklad/ResultWriter.h"
#include "tools/sklad/ScriptStatements.h"
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolDatabase.h"

namespace sklad::tool {
namespace {

struct TSqlOptions {
  std::string Directory;
  std::string Text;
  std::string File;
  std::string Filter;
  std::string Language;
  bool Csv = false;
  bool Json = false;
};

std::string ReadScript(const TSqlOptions& options, CLI::App& command) {
  const bool text = command.count("-c") > 0;
  const bool file = command.count("-f") > 0;
  if (text && file) throw TUsageError("sql: give the statements with -c or with -f, not both");
  if (!text && !file) throw TUsageError("sql: give the statements with -c TEXT or -f FILE");
  if (text) return options.Text;
  std::ifstream in(options.File, std::ios::binary);
  std::ostringstream script;
  script << in.rdbuf();
  if (!in) throw TToolFailure("sklad: cannot read " + options.File);
  return script.str();
}

// The code page the script's strings are stored in: that of the named language, else that of
// the language-neutral tables.
int ScriptCodePage(const std::string& language) {
  if (language.empty()) return platform::AnsiCodePage(0);
  if (!IsLanguageKnown(language)) throw TUsageError("sql: unknown language '" + language + "'");
  return platform::AnsiCodePage(LanguageIdentifier(language));
}

// Narrows a result as the catalogue's word searches do: a filter on the result's cursor that
// compares strings without regard to case.
void ApplyFilter(TDataCursor& result, const std::string& filter) {
  const int codePage = platform::AnsiCodePage(result.Table()->Data().Language());
  TFilter* added = result.AddFilter(ToCodePage(filter, codePage, "sklad sql: the filter"), false, true);
  result.ActivateFilter(added);
}

void RunSql(const TSqlOptions& options, CLI::App& command, TToolStreams& streams) {
  const std::string script = ReadScript(options, command);
  const int codePage = ScriptCodePage(options.Language);
  TToolDatabase database(options.Directory);
  database.Session().LanguageId = 0;
  database.Session().SortId = 0;
  const TOutputForm form = ChooseOutputForm(options.Csv, options.Json, streams.OutIsTerminal, TOutputForm::AlignedTable);
  TSqlStatementOptions live;
  live.RequestLive = true;
  TScriptStatements statements(ToCodePage(script, codePage, "sklad sql: the statements"));
  while (const std::optional<std::string> text = statements.Next()) {
    TSqlStatement statement(database.Database(), *text, live);
    TDataCursor* result = statement.Execute();
    if (!result) {
      const int32_t rows = statement.RowsAffected();
      streams.Err << fmt::format("{} {} affected\n", rows, rows == 1 ? "row" : "rows");
      continue;
    }
    if (!options.Filter.empty()) ApplyFilter(*result, options.Filter);
    TResultRows rows(*result);
    WriteRows(rows, *MakeResultWriter(form, streams.Out));
  }
}

}  // namespace

void AddSqlCommand(CLI::App& app, TToolStreams& streams) {
  CLI::App* command = app.add_subcommand("sql", "Run SQL statements separated by semicolons and print the results");
  auto options = std::make_shared<TSqlOptions>();
  command->add_option("DIR", options->Directory, "Folder of the tables")->required();
  command->add_option("-c", options->Text, "The statements");
  command->add_option("-f", options->File, "A file holding the statements")->check(CLI::ExistingFile);
  command->add_option("--filter", options->Filter,
                      "Filter text narrowing each SELECT's rows, strings compared without regard to case");
  command->add_option("--language", options->Language,
                      "Language whose code page the statements' strings are stored in (default: ANSI Standard)");
  CLI::Option* csv = command->add_flag("--csv", options->Csv, "Print rows as CSV");
  command->add_flag("--json", options->Json, "Print rows as a JSON array of objects")->excludes(csv);
  command->callback([options, command, &streams] { RunSql(*options, *command, streams); });
}

}  // namespace sklad::tool
