// The built `sklad` program beside another process that has a table open through a cursor, as
// beside the catalogue browser: its DROP TABLE is refused with 11013 and leaves the table whole;
// once the other process has closed the table, the same command drops it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderFiles.h"
#include "tests/support/TempDir.h"
#include "tests/tools/KnihaTable.h"

namespace sklad::testing {
namespace {

struct ProgramRun {
  int Status = -1;
  std::string Output;  // both streams
};

ProgramRun RunProgram(const std::string& arguments) {
  ProgramRun run;
  FILE* pipe = popen((std::string(SKLAD_TOOL_PATH) + " " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Output.append(buffer, n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(TableInUseCommand, DropTableOfATableAnotherProcessHasOpenIsRefused) {
  TempDir folder;
  CreateKniha(folder.Path().string());
  const std::string drop = "sql '" + folder.Path().string() + "' -c 'DROP TABLE kniha'";

  ChildProcess holder([&](ChildProcess& self) {
    try {
      TDataSession session;
      TDataCursor cursor(*session.OpenDirectory("", folder.Path().string()));
      cursor.SetTableName("kniha");
      cursor.Open();
      cursor.First();
      self.Send('h');
      return self.Receive() == 'q' ? 0 : 2;
    } catch (const ESkladEngineError&) {
      return 1;
    }
  });
  ASSERT_TRUE(holder.Started());
  ASSERT_EQ(holder.Receive(), 'h');
  const FolderFiles before = ReadFolder(folder.Path());
  const ProgramRun refused = RunProgram(drop);
  EXPECT_EQ(refused.Status, tool::kExitFailure) << refused.Output;
  EXPECT_NE(refused.Output.find("Sklad Engine Error # 11013 Access denied to table"), std::string::npos)
      << refused.Output;
  EXPECT_EQ(ChangedFiles(before, folder.Path()), "");
  holder.Send('q');
  EXPECT_EQ(holder.Wait(), 0);

  const ProgramRun dropped = RunProgram(drop);
  EXPECT_EQ(dropped.Status, tool::kExitSuccess) << dropped.Output;
  EXPECT_EQ(dropped.Output, "0 rows affected\n");
  EXPECT_EQ(ReadFolder(folder.Path()), FolderFiles{});
}

}  // namespace
}  // namespace sklad::testing
