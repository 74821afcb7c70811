// The tool's command line as a whole: which status a wrong or a helpful command line gives.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempDir.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"

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

TEST(ToolFrame, ImportAndExportHelpTellTheValueForms) {
  for (const char* command : {"import", "export"}) {
    const ToolRun run = RunSklad({command, "--help"});
    EXPECT_EQ(run.Status, tool::kExitSuccess);
    for (const char* form : {"An empty field is NULL", "quoted empty field", "shortest form", "hexadecimal digits"})
      EXPECT_NE(run.Out.find(form), std::string::npos) << command << ": " << form;
  }
}

// A table is a name inside the folder: a name that would reach another folder is a usage error
// for every command that takes one, and nothing is read or made anywhere.
TEST(ToolFrame, TableNamesThatLeaveTheFolderAreRefused) {
  TempDir root;
  const std::filesystem::path folder = root.Path() / "dir";
  std::filesystem::create_directories(folder / "sub");
  const std::string csv = root.Write("in.csv", "p\n1/\n");
  for (const char* name : {"../kat", "sub/kat", "sub\\kat", "..", "a..b", "/tmp/kat", " "}) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"info", folder.string(), name}, {"check", folder.string(), name},
          {"export", folder.string(), name}, {"import", folder.string(), name, csv, "--schema", "p VARCHAR(4)"}}) {
      const ToolRun run = RunSklad(arguments);
      EXPECT_EQ(run.Status, tool::kExitUsage) << ::testing::PrintToString(arguments);
      EXPECT_NE(run.Err.find(std::string(name) == " " ? "a table name is needed" : "is not a name inside DIR"),
                std::string::npos)
          << run.Err;
    }
  }
  EXPECT_EQ(FilesIn(root.Path()), (std::set<std::string>{"dir", "in.csv"}));
  EXPECT_EQ(FilesIn(folder), std::set<std::string>{"sub"});
  EXPECT_TRUE(FilesIn(folder / "sub").empty());
}

TEST(ToolFrame, MissingFolderIsAFailureNamingIt) {
  const ToolRun run = RunSklad({"info", "/no/such/folder", "t"});
  EXPECT_EQ(run.Status, tool::kExitFailure);
  EXPECT_NE(run.Err.find("/no/such/folder"), std::string::npos);
}

}  // namespace
}  // namespace sklad::testing
