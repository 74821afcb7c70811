// Export and import are each other's inverse: what export writes, import reads back into the same
// values, so that exporting the re-imported table gives the same bytes again.
#include <gtest/gtest.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <cmath>

#include "tests/support/TempDir.h"
#include "tests/tools/EveryTypeTable.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"
#include "tools/sklad/CsvReader.h"
#include "tools/sklad/CsvTableLoader.h"
#include "tools/sklad/FieldTypeText.h"

namespace sklad::testing {
namespace {

std::string Exported(const std::string& directory, const std::string& table, const std::string& form = "--csv") {
  const ToolRun run = RunSklad({"export", directory, table, form});
  EXPECT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  return run.Out;
}

// What `sklad import` does after making the table, for a table the SQL dialect cannot declare.
void LoadCsv(const std::string& directory, const std::string& table, const std::string& csvFile) {
  TDataSession session;
  TDataCursor cursor(*session.OpenDirectory("", directory));
  cursor.SetTableName(table);
  cursor.SetExclusive(true);
  cursor.Open();
  tool::TCsvTableLoader loader(cursor);
  tool::TCsvReader reader(csvFile);
  tool::TCsvRecord record;
  ASSERT_TRUE(reader.Next(record));
  loader.TakeHeader(record);
  while (reader.Next(record)) loader.Insert(record);
}

// The column definitions of the table as `sklad import --schema` takes them.
std::string SchemaOf(const std::string& directory, const std::string& table) {
  TDataSession session;
  TDataCursor cursor(*session.OpenDirectory("", directory));
  cursor.SetTableName(table);
  cursor.SetReadOnly(true);
  cursor.Open();
  std::string schema;
  for (int n = 1; n <= cursor.TableFieldCount(); ++n)
    schema += (n > 1 ? ", " : "") + cursor.TableField(n).Name() + " " + tool::FieldTypeText(cursor.TableField(n));
  return schema;
}

TEST(ExportImportRoundTrip, EveryFieldTypeComesBackValueForValue) {
  TempDir database, files;
  const std::string folder = database.Path().string();
  CreateEveryTypeTable(folder, "vse", false, true);
  const std::string csv = Exported(folder, "vse");
  // Each value in its lossless form.
  std::string everyByte;
  for (int byte = 0; byte < 256; ++byte) everyByte += fmt::format("{:02X}", byte);
  for (const char* text :
       {",1.7976931348623157e+308,12.50,922337203685477579,-12.50,1.0000,FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF,",
        ",5e-324,0.125,-922337203685477579,0.01,-0.0001,00000000000000000000000000000000,", ",-0,-0.00,",
        ",0.30000000000000004,1e+20,", ",123456789.12345679,3.00,", ",inf,-inf,", ",-inf,nan,", ",nan,2.2250738585072014e-308,",
        ",1.189731495357231765e+4932,", ",4e-4951,",
        "\"Příliš \"\"žluťoučký\"\" kůň, úpěl;\r\nďábelské ódy\n\n  a konec  \"",
        "5,,,,,,,,,,", "4294967295", "0001-01-01", "9999-12-31 23:59:59.999"})
    EXPECT_NE(csv.find(text), std::string::npos) << text << "\n" << csv;
  EXPECT_NE(csv.find("," + everyByte + ","), std::string::npos) << csv;

  CreateEveryTypeTable(folder, "kopie", false, false);
  LoadCsv(folder, "kopie", files.Write("vse.csv", csv));
  EXPECT_EQ(Exported(folder, "kopie"), csv);
  EXPECT_EQ(StoredValues(folder, "kopie"), StoredValues(folder, "vse"));

  // JSON holds the same values: valid JSON, every finite float a number that reads back to the
  // same double, the others strings.
  const std::string json = Exported(folder, "vse", "--json");
  EXPECT_EQ(Exported(folder, "kopie", "--json"), json);
  const nlohmann::json rows = nlohmann::json::parse(json);
  const std::vector<TStoredRow> stored = EveryTypeRows();
  ASSERT_EQ(rows.size(), stored.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto real = stored[i].find("real");
    if (real == stored[i].end()) continue;
    double value = 0;
    std::memcpy(&value, real->second.data(), sizeof value);
    if (std::isfinite(value)) EXPECT_EQ(rows[i]["real"].get<double>(), value) << i;
    else EXPECT_EQ(rows[i]["real"], std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf") << i;
  }
  EXPECT_NE(json.find("\"cents\":-12.50,"), std::string::npos) << json;
}

TEST(ExportImportRoundTrip, TablesOfTheSqlTypesComeBackThroughTheCommands) {
  TempDir database, files;
  const std::string folder = database.Path().string();
  CreateEveryTypeTable(folder, "vse", true, true);
  const std::string csv = Exported(folder, "vse");
  const ToolRun run = RunSklad({"import", folder, "kopie", files.Write("vse.csv", csv), "--schema",
                                SchemaOf(folder, "vse"), "--language", "Czech"});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(Exported(folder, "kopie"), csv);
  EXPECT_EQ(StoredValues(folder, "kopie"), StoredValues(folder, "vse"));
}

constexpr const char* kSchema =
    "p VARCHAR(4), name VARCHAR(60), pocet INTEGER, cena NUMERIC(10, 2), datum DATE, cas TIME, "
    "hotovo BOOLEAN, popis BLOB(0, 1)";

TEST(ExportImportRoundTrip, AwkwardValuesComeBackByteForByte) {
  TempDir database, files;
  std::string memo;
  while (memo.size() < 3000) memo += "Řádek s \"uvozovkami\", čárkou; a koncem\r\n";
  const std::string csv =
      "p,name,pocet,cena,datum,cas,hotovo,popis\n"
      "01/,\"Editor \"\"Ďábel\"\", verze 2\",-42,12.50,2003-07-14,12:34:56,True,\"" +
      [&] {
        std::string quoted;
        for (char c : memo) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted;
      }() +
      "\"\n"
      ",\"dva\nřádky\",,,,,,\n"
      "010/,Žluťoučký kůň,2147483647,0.01,1999-12-31,00:00:00,False,x\n";

  auto import = [&](const std::string& table, const std::string& file) {
    const ToolRun run = RunSklad({"import", database.Path().string(), table, file, "--schema", kSchema,
                                  "--language", "Czech", "--index", "name"});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  };
  auto exportTable = [&](const std::string& table) {
    const ToolRun run = RunSklad({"export", database.Path().string(), table});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << run.Err;
    return run.Out;
  };

  import("prvni", files.Write("in.csv", csv));
  const std::string first = exportTable("prvni");
  import("druha", files.Write("first.csv", first));
  EXPECT_EQ(exportTable("druha"), first);
  EXPECT_EQ(ReadRows(database.Path().string(), "druha"), ReadRows(database.Path().string(), "prvni"));
  EXPECT_NE(first.find("\"Editor \"\"Ďábel\"\", verze 2\""), std::string::npos) << first;
  EXPECT_NE(first.find("2003-07-14"), std::string::npos) << first;
}

}  // namespace
}  // namespace sklad::testing
