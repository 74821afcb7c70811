// Export and import are each other's inverse: what export writes, import reads back into the same
// values, so that exporting the re-imported table gives the same bytes again.
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"

namespace sklad::testing {
namespace {

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
