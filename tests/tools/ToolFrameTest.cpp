// The tool's command line as a whole: which status a wrong or a helpful command line gives.
#include <gtest/gtest.h>

#include "tests/tools/ToolRun.h"

namespace sklad::testing {
namespace {

TEST(ToolFrame, CommandLineFaultsAreUsageErrors) {
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"frobnicate"}, {"info"}, {"info", "only-a-folder"}, {"--no-such-option"}};
  for (const auto& arguments : wrong) {
    const ToolRun run = RunSklad(arguments);
    EXPECT_EQ(run.Status, tool::kExitUsage) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(run.Err.empty());
    EXPECT_TRUE(run.Out.empty());
  }
}

TEST(ToolFrame, HelpGoesToTheOutputWithSuccess) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--help"}, {"sql", "--help"}}) {
    const ToolRun run = RunSklad(arguments);
    EXPECT_EQ(run.Status, tool::kExitSuccess);
    EXPECT_NE(run.Out.find("sql"), std::string::npos);
    EXPECT_TRUE(run.Err.empty());
  }
}

TEST(ToolFrame, MissingFolderIsAFailureNamingIt) {
  const ToolRun run = RunSklad({"info", "/no/such/folder", "t"});
  EXPECT_EQ(run.Status, tool::kExitFailure);
  EXPECT_NE(run.Err.find("/no/such/folder"), std::string::npos);
}

}  // namespace
}  // namespace sklad::testing
