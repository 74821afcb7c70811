// Editing shared between processes: a cursor follows another process's inserts and deletes,
// record locks exclude other processes (after the retries) and other cursors of the table, and
// increments made under record locks by two processes at once are never lost.
#include <gtest/gtest.h>

#include "EditingTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

// A cursor of its own session on the editions table, for the other process.
struct TOtherUser {
  explicit TOtherUser(const std::string& directory, int index = 0) {
    Session.LockRetryCount = 200;
    Session.LockWaitTime = 2;
    Cursor = std::make_unique<TDataCursor>(*Session.OpenDirectory("", directory));
    Cursor->SetTableName(kEditions);
    Cursor->Open();
    Cursor->SelectIndex(index);
    Record.assign(static_cast<size_t>(Cursor->RecordSize()), 0);
  }
  // Stands on the edition with that id (primary order) and reads it.
  void Find(int32_t id) {
    Cursor->First();
    while (Cursor->ReadNext(Record.data()) == cursor_status::Ok)
      if (IntegerOf(*Cursor, kIdField, Record.data()) == id) return;
    throw std::runtime_error("edition not found");
  }
  TDataSession Session;
  std::unique_ptr<TDataCursor> Cursor;
  std::vector<uint8_t> Record;
};

// Runs the work in another process; the test fails when it does.
void InOtherProcess(const std::function<void(ChildProcess&)>& work, ChildProcess** running = nullptr) {
  ChildProcess child([&](ChildProcess& self) {
    try {
      work(self);
      return 0;
    } catch (...) {
      return 1;
    }
  });
  ASSERT_TRUE(child.Started());
  if (running != nullptr) *running = &child;
  ASSERT_EQ(child.Wait(), 0);
}

class CursorSharingTest : public ::testing::TestWithParam<int> {
 protected:
  // Editions 1 to 5. The table is closed again: a child forked while this process has the
  // table files open would share their open files, and with them this process's locks.
  void SetUp() override {
    CreateEditions(FTemp.Path().string());
    FSession.StrictChangeDetection = true;
    OpenCursor();
    for (int32_t id = 1; id <= 5; ++id) {
      std::vector<uint8_t> record = EditionRecord(*FCursor, {id, "K" + std::to_string(id), "Vydani"});
      FCursor->InsertRecord(record.data(), true);
    }
    FCursor.reset();
  }

  void OpenCursor() {
    FCursor = std::make_unique<TDataCursor>(*FSession.OpenDirectory("", FTemp.Path().string()));
    FCursor->SetTableName(kEditions);
    FCursor->Open();
    FCursor->SelectIndex(GetParam());
  }

  int32_t CurrentId() {
    std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
    EXPECT_EQ(FCursor->ReadCurrent(record.data()), cursor_status::Ok);
    return IntegerOf(*FCursor, kIdField, record.data());
  }

  TempDir FTemp;
  TDataSession FSession;
  std::unique_ptr<TDataCursor> FCursor;
};

INSTANTIATE_TEST_SUITE_P(Orders, CursorSharingTest, ::testing::Values(TDataCursor::kNaturalOrder, 0));

TEST_P(CursorSharingTest, CursorFollowsAnotherProcessesInsertsAndDeletes) {
  const std::string directory = FTemp.Path().string();
  OpenCursor();
  FCursor->GotoRecordNumber(3);
  ASSERT_EQ(CurrentId(), 3);
  InOtherProcess([&](ChildProcess&) {
    TOtherUser other(directory);
    for (int32_t id : {0, 10}) {
      std::vector<uint8_t> record = EditionRecord(*other.Cursor, {id, "K" + std::to_string(id), "Jine"});
      other.Cursor->InsertRecord(record.data(), true);
    }
    other.Find(5);
    other.Cursor->DeleteRecord(other.Record.data(), true);
  });
  EXPECT_EQ(FCursor->GetRecordCount(), 6);
  EXPECT_EQ(CurrentId(), 3) << "the cursor stays on its record";

  InOtherProcess([&](ChildProcess&) {
    TOtherUser other(directory);
    other.Find(3);
    other.Cursor->DeleteRecord(other.Record.data(), true);
  });
  EXPECT_EQ(FCursor->GetRecordCount(), 5);
  EXPECT_EQ(CurrentId(), 4) << "the cursor moves on from its deleted record";
  ExpectIndexesMatchRecords(*FCursor->Table());
}

TEST_P(CursorSharingTest, RecordLocksExcludeOtherProcessesAndCursors) {
  const std::string directory = FTemp.Path().string();
  FSession.LockRetryCount = 2;
  FSession.LockWaitTime = 10;
  ChildProcess child([&](ChildProcess& self) {
    try {
      TOtherUser other(directory);
      other.Find(2);
      other.Cursor->ReadCurrent(other.Record.data(), true);
      self.Send('L');
      self.Receive();
      other.Cursor->UnlockRecord(0);
      return 0;
    } catch (...) {
      self.Send('E');
      return 1;
    }
  });
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.Receive(), 'L');
  OpenCursor();
  const int32_t locked = 2;  // edition 2 was inserted second
  EXPECT_EQ(ErrorMessage([&] { FCursor->LockRecord(locked); }),
            "Sklad Engine Error # 10258 Record in table 'VYDANI.DAT' is in use by another user");
  FCursor->LockRecord(locked + 1);
  // Another cursor of the same table object is refused at once.
  auto clone = FCursor->Clone();
  EXPECT_EQ(ErrorCode([&] { clone->LockRecord(locked + 1); }), err::RecordInUse);
  FCursor->UnlockRecord(locked + 1);
  clone->LockRecord(locked + 1);
  clone->UnlockRecord(locked + 1);
  EXPECT_EQ(ErrorCode([&] { FCursor->UnlockRecord(locked + 1); }), err::CannotUnlock);

  child.Send('Q');
  ASSERT_EQ(child.Wait(), 0);
  FCursor->LockRecord(locked);
  FCursor->UnlockRecord(locked);
}

// Waiting for a record does not keep its holder from writing it and letting it go.
TEST_P(CursorSharingTest, WaitingForARecordLetsItsHolderWrite) {
  const std::string directory = FTemp.Path().string();
  FSession.LockRetryCount = 250;
  FSession.LockWaitTime = 20;
  FSession.StrictChangeDetection = false;  // a lock then looks for changes under the read lock
  ChildProcess child([&](ChildProcess& self) {
    try {
      TOtherUser other(directory);
      other.Find(2);
      other.Cursor->ReadCurrent(other.Record.data(), true);
      self.Send('L');
      self.Receive();
      usleep(200000);  // the test is waiting for the record by now
      PutInteger(*other.Cursor, kCountField, other.Record.data(), 7);
      other.Cursor->ModifyRecord(other.Record.data(), false, true);
      return 0;
    } catch (...) {
      return 1;
    }
  });
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.Receive(), 'L');
  OpenCursor();
  child.Send('W');
  FCursor->LockRecord(2);
  EXPECT_EQ(child.Wait(), 0);
  FCursor->GotoRecordNumber(2);
  std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
  ASSERT_EQ(FCursor->ReadCurrent(record.data()), cursor_status::Ok);
  EXPECT_EQ(IntegerOf(*FCursor, kCountField, record.data()), 7);
  FCursor->UnlockRecord(2);
}

// Two processes each add 1 to the same counter many times, each time under the record's lock.
TEST_P(CursorSharingTest, IncrementsUnderRecordLocksAreNeverLost) {
  const std::string directory = FTemp.Path().string();
  const int increments = Iterations(40, 400);
  auto incrementer = [&](ChildProcess&) {
    try {
      TOtherUser other(directory);
      for (int i = 0; i < increments; ++i) {
        other.Find(1);
        // The other process may keep winning the record for longer than the retries last: a
        // refused lock is tried again, it changes nothing.
        if (ErrorCode([&] { other.Cursor->ReadCurrent(nullptr, true); }) == err::RecordInUse) {
          --i;
          continue;
        }
        other.Cursor->ReadCurrent(other.Record.data());
        PutInteger(*other.Cursor, kCountField, other.Record.data(),
                   IntegerOf(*other.Cursor, kCountField, other.Record.data()) + 1);
        other.Cursor->ModifyRecord(other.Record.data(), false, true);
      }
      return 0;
    } catch (...) {
      return 1;
    }
  };
  ChildProcess first(incrementer);
  ChildProcess second(incrementer);
  ASSERT_TRUE(first.Started() && second.Started());
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);
  OpenCursor();
  FCursor->First();
  std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
  int32_t total = -1;
  while (FCursor->ReadNext(record.data()) == cursor_status::Ok)
    if (IntegerOf(*FCursor, kIdField, record.data()) == 1) total = IntegerOf(*FCursor, kCountField, record.data());
  EXPECT_EQ(total, 2 * increments);
}

}  // namespace
}  // namespace sklad
