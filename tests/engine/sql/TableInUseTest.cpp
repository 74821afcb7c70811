// A table another process has open through a cursor, as the catalogue browser does: every
// statement and cursor operation that would delete, rename, empty, restructure or re-create it,
// and every delete or rename of one of its files, is refused with 11013 and leaves the folder
// byte for byte as it was. Once the other process has closed the table, it can be dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LiveCatalogue.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderFiles.h"

namespace sklad::testing {
namespace {

void RunSql(TDataDirectory& directory, const std::string& text) {
  TSqlStatement statement(directory, text);
  statement.Prepare();
  statement.Execute();
}

// A cursor naming the catalogue, not open yet.
std::unique_ptr<TDataCursor> CatalogueCursor(TDataDirectory& directory, bool exclusive = false) {
  auto cursor = std::make_unique<TDataCursor>(directory);
  cursor->SetTableName(kCatalogueTable);
  cursor->SetExclusive(exclusive);
  return cursor;
}

// The other process: holds the catalogue open through a cursor, standing on its first record,
// until told to quit.
int HoldCatalogue(ChildProcess& self, const std::string& folder) {
  try {
    TDataSession session;
    const auto cursor = CatalogueCursor(*session.OpenDirectory("", folder));
    cursor->Open();
    cursor->First();
    if (cursor->ReadNext(nullptr) != 0) return 2;
    self.Send('h');
    return self.Receive() == 'q' ? 0 : 3;
  } catch (const ESkladEngineError&) {
    return 1;
  }
}

// One attempt on the table, and the engine error it must end with.
struct TTableChange {
  std::string Label;
  uint16_t Code;
  std::function<void(TDataDirectory&)> Run;
};

class TableInUseTest : public ::testing::Test {
 protected:
  // The catalogue (data, index and BLOB file) and a small table to copy from, made by a session
  // that is gone again: a child forked while this process has the table files open would share
  // their open files, and with them this process's locks.
  void SetUp() override {
    TDataSession session;
    TDataDirectory& directory = *session.OpenDirectory("", Folder());
    CreateCatalogue(directory, 40);
    RunSql(directory, "CREATE TABLE jina (p CHAR(10))");
    RunSql(directory, "INSERT INTO jina VALUES ('1/')");
  }

  std::string Folder() const { return FTemp.Path().string(); }
  // The path of a catalogue file as a statement names it.
  std::string StatementPath(const std::string& table) const {
    std::string path = FTemp / table;
    std::ranges::replace(path, '/', '\\');
    return path;
  }

  std::vector<TTableChange> Changes() const {
    const std::string into = StatementPath(kCatalogueTable);
    std::vector<TTableChange> changes = {
        {"DROP TABLE", err::AccessDenied, [](TDataDirectory& d) { RunSql(d, "DROP TABLE t"); }},
        {"ALTER TABLE ADD", err::AccessDenied, [](TDataDirectory& d) { RunSql(d, "ALTER TABLE t ADD extra INTEGER"); }},
        {"ALTER TABLE DROP", err::AccessDenied, [](TDataDirectory& d) { RunSql(d, "ALTER TABLE t DROP inet"); }},
        {"CREATE INDEX", err::AccessDenied, [](TDataDirectory& d) { RunSql(d, "CREATE INDEX bysrc ON t (src)"); }},
        {"DROP INDEX", err::AccessDenied, [](TDataDirectory& d) { RunSql(d, "DROP INDEX t.ByName"); }},
        {"SELECT INTO", err::AccessDenied,
         [into](TDataDirectory& d) { RunSql(d, "SELECT p INTO \"" + into + "\" FROM jina"); }},
        // Creating a table that exists is refused for that reason first, in use or not.
        {"CREATE TABLE", err::TableExists, [](TDataDirectory& d) { RunSql(d, "CREATE TABLE t (n INTEGER)"); }},
        {"create over the table", err::AccessDenied,
         [](TDataDirectory& d) {
           TTableDefinition definition;
           definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
           CatalogueCursor(d)->CreateTable(definition, /*overwrite=*/true);
         }},
        {"rename the table", err::AccessDenied, [](TDataDirectory& d) { CatalogueCursor(d)->RenameTable("nove"); }},
        {"empty the table", err::AccessDenied,
         [](TDataDirectory& d) {
           const auto cursor = CatalogueCursor(d, /*exclusive=*/true);
           cursor->Open();
           cursor->EmptyTable();
         }},
    };
    for (const char* extension : {".DAT", ".IDX", ".BLB"}) {
      const std::string file = FTemp / (kCatalogueTable + std::string(extension));
      changes.push_back({std::string("delete ") + extension, err::AccessDenied,
                         [file](TDataDirectory&) { TFileHandler(file, false).Delete(); }});
      changes.push_back({std::string("rename ") + extension, err::AccessDenied,
                         [file](TDataDirectory&) { TFileHandler(file, false).Rename(file + "~"); }});
    }
    return changes;
  }

  TempDir FTemp;
};

TEST_F(TableInUseTest, ChangesOfATableAnotherProcessHasOpenAreRefused) {
  ChildProcess holder([&](ChildProcess& self) { return HoldCatalogue(self, Folder()); });
  ASSERT_TRUE(holder.Started());
  ASSERT_EQ(holder.Receive(), 'h');
  const FolderFiles before = ReadFolder(FTemp.Path());
  for (const TTableChange& change : Changes()) {
    SCOPED_TRACE(change.Label);
    TDataSession session;
    TDataDirectory& directory = *session.OpenDirectory("", Folder());
    try {
      change.Run(directory);
      ADD_FAILURE() << "not refused";
    } catch (const ESkladEngineError& error) {
      EXPECT_EQ(error.Code(), change.Code) << error.what();
    }
    ASSERT_EQ(ChangedFiles(before, FTemp.Path()), "");
  }
  holder.Send('q');
  EXPECT_EQ(holder.Wait(), 0);

  TDataSession session;
  RunSql(*session.OpenDirectory("", Folder()), "DROP TABLE t");
  for (const char* extension : {".DAT", ".IDX", ".BLB"})
    EXPECT_FALSE(std::filesystem::exists(FTemp / (kCatalogueTable + std::string(extension)))) << extension;
}

}  // namespace
}  // namespace sklad::testing
