// A live SELECT result and another process: records the other process inserts, changes and
// deletes through its own session show in the open result at its next operation, exactly as a
// direct evaluation of the condition over the edited rows picks them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "LiveCatalogue.h"
#include "engine/sql/SqlStatement.h"
#include "tests/support/ChildProcess.h"

namespace sklad::testing {
namespace {

constexpr int kRows = 600;

// One edit the other process makes, and the same edit on the model of the rows.
struct TProcessEdit {
  const char* Label;
  enum { Insert, ChangeSection, Delete } Kind;
  std::string Name;     // the record edited, or the new record's name
  std::string Section;  // the new record's section, or the section it is moved to
};

// Insert first: a deleted record's place may be taken by a later insert, which would put the new
// record elsewhere than at the end of the model.
const std::vector<TProcessEdit> kEdits = {
    {"a new matching record", TProcessEdit::Insert, "Nov\xFD z\xE1znam", "9"},
    {"a new record that does not match", TProcessEdit::Insert, "Jin\xFD z\xE1znam", "4"},
    {"a matching record moved out", TProcessEdit::ChangeSection, GeneratedRow(8).name, "5"},
    {"a record moved in", TProcessEdit::ChangeSection, GeneratedRow(4).name, "9"},
    {"a matching record deleted", TProcessEdit::Delete, GeneratedRow(21).name, ""},
    {"the new record deleted", TProcessEdit::Delete, "Nov\xFD z\xE1znam", ""},
};

CatalogueRow NewRow(const TProcessEdit& edit) {
  CatalogueRow row = GeneratedRow(1);
  row.name = edit.Name;
  row.r = edit.Section;
  return row;
}

void ApplyToModel(const TProcessEdit& edit, std::vector<CatalogueRow>& rows) {
  if (edit.Kind == TProcessEdit::Insert) {
    rows.push_back(NewRow(edit));
    return;
  }
  const auto row = std::find_if(rows.begin(), rows.end(), [&](auto& r) { return r.name == edit.Name; });
  ASSERT_NE(row, rows.end());
  if (edit.Kind == TProcessEdit::ChangeSection)
    row->r = edit.Section;
  else
    rows.erase(row);
}

// The other process's side: a cursor of its own session on the table.
void ApplyToTable(const TProcessEdit& edit, TDataCursor& cursor) {
  if (edit.Kind == TProcessEdit::Insert) {
    InsertRow(cursor, NewRow(edit));
    return;
  }
  bool found = false;
  cursor.First();
  while (!found && cursor.ReadNext(nullptr) == 0) found = TextOf(cursor, kName) == edit.Name;
  if (!found) throw std::runtime_error("record not found");
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.ReadCurrent(record.data());
  if (edit.Kind == TProcessEdit::ChangeSection) {
    cursor.ReadCurrent(record.data(), true);
    cursor.PutField(kR, record.data(), reinterpret_cast<const uint8_t*>(edit.Section.c_str()));
    cursor.ModifyRecord(record.data(), false, true);
  } else {
    cursor.DeleteRecord(record.data(), false);
  }
}

// Runs the other process: it waits for the number of an edit, makes it through a cursor of its
// own session and answers 'D', until told 'Q'; 'E' when an edit failed. Each edit has a fresh
// cursor, which finds the records the edits before it inserted.
int OtherProcess(ChildProcess& self, const std::string& directory) {
  try {
    TDataSession session;
    TDataDirectory& database = *session.OpenDirectory("", directory);
    for (char message = self.Receive(); message != 'Q' && message != 0; message = self.Receive()) {
      TDataCursor cursor(database);
      cursor.SetTableName(kCatalogueTable);
      cursor.Open();
      ApplyToTable(kEdits.at(static_cast<size_t>(message - '0')), cursor);
      self.Send('D');
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "other process: %s\n", e.what());
    self.Send('E');
    return 1;
  }
}

// The names of the rows the result shows, walked from its start.
std::vector<std::string> Walk(TDataCursor& result) {
  std::vector<std::string> names;
  result.First();
  while (result.ReadNext(nullptr) == 0) names.push_back(TextOf(result, kName));
  return names;
}

// The statements: a condition the section index answers, and one evaluated record by record.
class LiveSelectSharingTest : public ::testing::TestWithParam<const char*> {
 protected:
  // The catalogue is created by a session that is gone again: a child forked while this process
  // has the table files open would share their open files, and with them this process's locks.
  void SetUp() override {
    TDataSession session;
    FRows = CreateCatalogue(*session.OpenDirectory("", FTemp.Path().string()), kRows);
  }

  std::vector<std::string> Expected() const {
    std::vector<std::string> names;
    for (const CatalogueRow& row : FRows)
      if (row.r == "9") names.push_back(row.name);
    return names;
  }

  TempDir FTemp;
  std::vector<CatalogueRow> FRows;
};

INSTANTIATE_TEST_SUITE_P(
    Statements, LiveSelectSharingTest,
    ::testing::Values("SELECT * FROM t WHERE r = '9'", "SELECT * FROM t WHERE SUBSTRING(r FROM 1 FOR 1) = '9'"));

TEST_P(LiveSelectSharingTest, AnotherProcessesEditsAppearAtTheNextOperation) {
  const std::string directory = FTemp.Path().string();
  ChildProcess child([&](ChildProcess& self) { return OtherProcess(self, directory); });
  ASSERT_TRUE(child.Started());

  // Without strict change detection another process's edit is noticed only when a read misses
  // the table's caches; with it, every operation re-reads the file headers.
  TDataSession session;
  session.StrictChangeDetection = true;
  TSqlStatementOptions options;
  options.RequestLive = true;
  TSqlStatement statement(*session.OpenDirectory("", directory), GetParam(), options);
  statement.Prepare();
  ASSERT_TRUE(statement.ResultIsLive());
  TDataCursor& result = *statement.Execute();
  ASSERT_EQ(Walk(result), Expected());

  for (size_t i = 0; i < kEdits.size(); ++i) {
    SCOPED_TRACE(kEdits[i].Label);
    child.Send(static_cast<char>('0' + i));
    ASSERT_EQ(child.Receive(), 'D');
    ApplyToModel(kEdits[i], FRows);
    const std::vector<std::string> expected = Expected();
    // The count is the first operation after the edit: it alone must notice it.
    EXPECT_EQ(result.GetRecordCount(), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(Walk(result), expected);
  }
  child.Send('Q');
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace sklad::testing
