// sklad export: a whole table in natural order as CSV or JSON, and its failures.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/TempDir.h"
#include "tests/tools/KnihaTable.h"
#include "tests/tools/ToolRun.h"

namespace sklad::testing {
namespace {

TEST(ExportCommand, WholeTableInNaturalOrderInEachForm) {
  TempDir dir;
  CreateKniha(dir.Path().string());
  // Natural order, not the primary index's; the output is no terminal's, and CSV is the default.
  for (const std::vector<std::string>& form : {std::vector<std::string>{}, {"--csv"}}) {
    std::vector<std::string> arguments = {"export", dir.Path().string(), "kniha"};
    arguments.insert(arguments.end(), form.begin(), form.end());
    const ToolRun run = RunSklad(arguments, true);
    ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
    EXPECT_EQ(run.Out, kKnihaCsv);
  }
  // JSON holds the same rows as the sql command's JSON of the whole table.
  const ToolRun json = RunSklad({"export", dir.Path().string(), "kniha", "--json"});
  ASSERT_EQ(json.Status, tool::kExitSuccess) << json.Err;
  EXPECT_EQ(json.Out, RunSklad({"sql", dir.Path().string(), "-c", "SELECT * FROM kniha", "--json"}).Out);
  EXPECT_EQ(nlohmann::json::parse(json.Out).size(), 3u);
  // Numbers keep their digits: a DECIMAL its scale, a float the shortest exact form.
  EXPECT_NE(json.Out.find("\"cena\":-3.00,\"podil\":1e+20,"), std::string::npos) << json.Out;
}

TEST(ExportCommand, EmptyTableIsItsHeader) {
  TempDir dir;
  ASSERT_EQ(RunSklad({"sql", dir.Path().string(), "-c", "CREATE TABLE prazdna (a INTEGER, b VARCHAR(5))"}).Status,
            tool::kExitSuccess);
  EXPECT_EQ(RunSklad({"export", dir.Path().string(), "prazdna"}).Out, "a,b\r\n");
  EXPECT_EQ(RunSklad({"export", dir.Path().string(), "prazdna", "--json"}).Out, "[]\n");
}

TEST(ExportCommand, FailuresGiveTheirStatusAndMessage) {
  TempDir dir;
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"export", dir.Path().string(), "nikde"}, tool::kExitFailure, "sklad: no table 'nikde' in "},
      {{"export", "/no/such/folder", "kniha"}, tool::kExitFailure, "sklad: no such folder: /no/such/folder"},
      {{"export", dir.Path().string()}, tool::kExitUsage, "TABLE is required"},
      {{"export", dir.Path().string(), "kniha", "--csv", "--json"}, tool::kExitUsage, "--csv excludes --json"},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunSklad(c.arguments);
    EXPECT_EQ(run.Status, c.status) << ::testing::PrintToString(c.arguments);
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
}

}  // namespace
}  // namespace sklad::testing
