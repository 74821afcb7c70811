// sklad import DIR TABLE FILE.csv --schema "..." [--language NAME] [--index FIELD...]: creates a
// table through the SQL dialect and loads a UTF-8 CSV file with a header line into it. The table
// is held exclusively while it is loaded, and indexes are built from the loaded records at the
// end. Any failure after the table was made, its making included, removes the table again:
// nothing is left half-loaded, and a table of that name that was there already, or that another
// user made meanwhile, is never touched.
#include <fmt/format.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageList.h"
#include "tools/sklad/CodePageText.h"
#include "tools/sklad/CsvReader.h"
#include "tools/sklad/CsvTableLoader.h"
#include "tools/sklad/ProgressBar.h"
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolDatabase.h"

namespace sklad::tool {
namespace {

struct TImportRequest {
  std::string Directory;
  std::string Table;
  std::string CsvFile;
  std::string Schema;
  std::optional<std::string> Language;
  std::vector<std::string> IndexedFields;
};

// A name or text as an SQL literal: inside the quote character, which is doubled within.
std::string Quoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

void RunStatement(TDataDirectory& database, const std::string& text) {
  TSqlStatement statement(database, text);
  statement.Prepare();
  statement.Execute();
}

void CreateTable(TToolDatabase& database, const TImportRequest& request, int codePage) {
  std::string text = "CREATE TABLE " + Quoted(request.Table, '"') + " (" + request.Schema;
  if (request.Language) text += ", LANGUAGE " + Quoted(*request.Language, '\'');
  RunStatement(database.Database(), ToCodePage(text + ")", codePage, "sklad import: the schema"));
}

// Loads every record and answers how many there were.
int64_t LoadRecords(TToolDatabase& database, const TImportRequest& request, TCsvReader& reader,
                    TToolStreams& streams) {
  TDataCursor cursor(database.Database());
  cursor.SetTableName(request.Table);
  cursor.SetExclusive(true);
  cursor.Open();
  TCsvTableLoader loader(cursor);
  TCsvRecord record;
  if (!reader.Next(record)) throw TToolFailure("line 1: the CSV file has no header line");
  loader.TakeHeader(record);
  TProgressBar progress(streams.Err, streams.ErrIsTerminal, "importing " + request.Table);
  int64_t count = 0;
  while (reader.Next(record)) {
    loader.Insert(record);
    ++count;
    progress.Update(reader.BytesRead(), reader.FileSize());
  }
  cursor.Close();
  return count;
}

void CreateIndexes(TToolDatabase& database, const TImportRequest& request, int codePage) {
  for (const std::string& field : request.IndexedFields) {
    const std::string name = Quoted(field, '"');
    RunStatement(database.Database(),
                 ToCodePage("CREATE INDEX " + name + " ON " + Quoted(request.Table, '"') + " (" + name + ")", codePage,
                            "sklad import: the index fields"));
  }
}

void RemoveTable(TToolDatabase& database, const TImportRequest& request, TToolStreams& streams) {
  try {
    // A making that failed before the data file was made left nothing.
    if (database.Database().TableExists(request.Table, false)) database.Database().DeleteTable(request.Table, false);
  } catch (const std::exception& error) {
    streams.Err << "sklad import: the half-loaded table could not be removed: " << error.what() << "\n";
  }
}

void Import(const TImportRequest& request, TToolStreams& streams) {
  TToolDatabase database(request.Directory);
  if (database.Database().TableExists(request.Table, false))
    throw TToolFailure(fmt::format("sklad import: table '{}' already exists in {}; it is left as it is",
                                   request.Table, request.Directory));
  TCsvReader reader(request.CsvFile);
  const uint16_t language = request.Language ? LanguageIdentifier(*request.Language) : database.Session().LanguageId;
  const int codePage = TableCodePage(language);
  try {
    CreateTable(database, request, codePage);
    const int64_t count = LoadRecords(database, request, reader, streams);
    CreateIndexes(database, request, codePage);
    streams.Out << fmt::format("{}: {} records imported\n", request.Table, count);
  } catch (const ESkladEngineError& error) {
    // Only the making of the table finds it there: another user made it since the check above.
    if (error.Code() != err::TableExists) RemoveTable(database, request, streams);
    throw;
  } catch (...) {
    RemoveTable(database, request, streams);
    throw;
  }
}

}  // namespace

void AddImportCommand(CLI::App& app, TToolStreams& streams) {
  CLI::App* command = app.add_subcommand("import", "Create a table and load it from a UTF-8 CSV file with a header line");
  command->footer(kValueFormsHelp);
  auto request = std::make_shared<TImportRequest>();
  AddTableArguments(*command, request->Directory, request->Table, "Name of the new table");
  command->add_option("FILE", request->CsvFile, "CSV file; its header line names the columns")->required();
  command->add_option("--schema", request->Schema, "Column definitions as CREATE TABLE takes them")->required();
  command->add_option("--language", request->Language, "Language of the table (\"Czech\", \"ANSI Standard\", ...)");
  command->add_option("--index", request->IndexedFields, "Fields that get an index named after them");
  command->callback([request, &streams] { Import(*request, streams); });
}

}  // namespace sklad::tool
