// sklad info DIR TABLE: what a table is — its header facts, its fields with their types as the
// SQL dialect declares them, its indexes and its record count — as aligned text.
#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/storage/language/LanguageList.h"
#include "tools/sklad/CodePageText.h"
#include "tools/sklad/FieldTypeText.h"
#include "tools/sklad/TextTable.h"
#include "tools/sklad/ToolCommands.h"
#include "tools/sklad/ToolTable.h"

namespace sklad::tool {
namespace {

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

class TTableInfo {
 public:
  TTableInfo(TDataCursor& cursor, std::ostream& out)
      : FCursor(cursor), FData(cursor.Table()->Data()), FIndex(cursor.Table()->Index()), FOut(out) {}

  void Write() {
    WriteHeader();
    WriteFields();
    WriteIndexes();
  }

 private:
  std::string Text(std::string_view bytes) const { return TableTextToUtf8(bytes, FData.Language()); }

  void WriteHeader() {
    const uint16_t language = FData.Language();
    const std::string_view languageName = LanguageName(language);
    const std::string_view sortName = SortName(language, FData.Sort());
    TTextTable facts;
    facts.AddRow({"Table", Text(FCursor.TableName())});
    facts.AddRow({"Records", std::to_string(FCursor.GetRecordCount())});
    facts.AddRow({"Record slots", std::to_string(FData.RecordCount())});
    facts.AddRow({"Record size", fmt::format("{} bytes", FData.RecordSize())});
    facts.AddRow({"Fields", fmt::format("{} ({} BLOB)", FData.FieldCount(), FData.BlobFieldCount())});
    facts.AddRow({"BLOB block size", fmt::format("{} bytes", FData.BlobBlockSize())});
    facts.AddRow({"Language", languageName.empty() ? fmt::format("unknown ({})", language) : std::string(languageName)});
    facts.AddRow({"Sort", sortName.empty() ? fmt::format("unknown ({})", FData.Sort()) : std::string(sortName)});
    facts.AddRow({"Description", Text(FData.Description())});
    facts.AddRow({"Encrypted", FData.Encrypted() ? "yes" : "no"});
    facts.AddRow({"User version", fmt::format("{}.{}", FData.UserMajorVersion(), FData.UserMinorVersion())});
    facts.AddRow({"Last auto-increment", std::to_string(FData.LastAutoIncrement())});
    facts.Write(FOut);
  }

  // NOT NULL, DEFAULT, MIN, MAX, CHARCASE and DESCRIPTION as the definition holds them.
  std::string FieldOptions(const TFieldDefinition& field) const {
    std::vector<std::string> options;
    if (field.Required()) options.push_back("NOT NULL");
    if (!field.Default().empty()) options.push_back("DEFAULT " + Text(field.Default()));
    if (!field.Minimum().empty()) options.push_back("MIN " + Text(field.Minimum()));
    if (!field.Maximum().empty()) options.push_back("MAX " + Text(field.Maximum()));
    if (field.Casing() == casing::Upper) options.push_back("CHARCASE UPPER");
    if (field.Casing() == casing::Lower) options.push_back("CHARCASE LOWER");
    if (!field.Description().empty()) options.push_back("DESCRIPTION '" + Text(field.Description()) + "'");
    return Joined(options, ", ");
  }

  void WriteFields() {
    FOut << "\nFields\n";
    TTextTable fields;
    fields.AddRow({"#", "Name", "Type", "Stored size", "Options"});
    for (int i = 0; i < FData.FieldCount(); ++i) {
      const TFieldDefinition& field = FData.Field(i);
      fields.AddRow({std::to_string(field.Number()), Text(field.Name()), FieldTypeText(field),
                     field.TakesRoom() ? std::to_string(field.StoredSize()) : "-", FieldOptions(field)});
    }
    fields.Write(FOut, "  ");
  }

  std::string KeyFields(const TIndexDefinition& index) const {
    std::vector<std::string> names;
    for (int i = 0; i < index.ListedFieldCount(); ++i) {
      const TFieldDefinition* field = FData.FieldByNumber(index.FieldNumber(i));
      std::string name = field ? Text(field->Name()) : fmt::format("field {}", index.FieldNumber(i));
      names.push_back(index.FieldDescending(i) ? name + " DESC" : name);
    }
    return Joined(names, ", ");
  }

  static std::string IndexOptions(const TIndexDefinition& index) {
    static constexpr const char* kCompressions[] = {"", "compressed: duplicate bytes", "compressed: trailing bytes",
                                                    "compressed: full"};
    std::vector<std::string> options;
    if (index.Unique()) options.push_back("unique");
    if (index.Descending()) options.push_back("descending");
    if (index.CaseInsensitive()) options.push_back("case-insensitive");
    if (index.CompressionCode() > 0)
      options.push_back(index.CompressionCode() <= 3 ? kCompressions[index.CompressionCode()]
                                                     : fmt::format("compression {}", index.CompressionCode()));
    return Joined(options, ", ");
  }

  void WriteIndexes() {
    FOut << "\nIndexes\n";
    TTextTable indexes;
    indexes.AddRow({"Name", "Key fields", "Options"});
    if (!FIndex.NoPrimaryKey()) {
      const TIndexDefinition primary = FIndex.Definition(0);
      indexes.AddRow({"(primary)", KeyFields(primary), IndexOptions(primary)});
    }
    for (int slot = 1; slot <= FIndex.SecondaryCount(); ++slot) {
      const TIndexDefinition index = FIndex.Definition(slot);
      indexes.AddRow({Text(index.Name()), KeyFields(index), IndexOptions(index)});
    }
    indexes.Write(FOut, "  ");
  }

  TDataCursor& FCursor;
  TDataFile& FData;
  TIndexFile& FIndex;
  std::ostream& FOut;
};

}  // namespace

void AddInfoCommand(CLI::App& app, TToolStreams& streams) {
  CLI::App* command = app.add_subcommand("info", "Header facts, fields, indexes and record count of a table");
  auto directory = std::make_shared<std::string>();
  auto table = std::make_shared<std::string>();
  AddTableArguments(*command, *directory, *table);
  command->callback([directory, table, &streams] {
    TToolDatabase database(*directory);
    std::unique_ptr<TDataCursor> cursor = OpenToolTable(database, *directory, *table);
    TTableInfo(*cursor, streams.Out).Write();
  });
}

}  // namespace sklad::tool
