// Two processes share one table on disk through the lock protocol: one sees the other's new
// records and memos through the change counters, record locks keep each other out for the
// configured retries, readers and a writer interleave without torn records, and transactions
// are invisible until committed, and a table another user has open is neither deleted nor
// renamed. Each process forks before it opens the table, so that the two hold separate file
// descriptions (and so separate locks).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "TableTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FolderFiles.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

using testing::CatalogueUser;
using testing::ChildProcess;
using testing::EngineErrorCode;
using testing::PatternBytes;

// Runs a child's body, turning an escaping engine error into a failing exit code.
template <typename Body>
int Guarded(Body body) {
  try {
    return body();
  } catch (const ESkladEngineError&) {
    return 90;
  }
}

class TableSharingTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CreateCatalogue(Directory()); }

  std::string Directory() const { return FTemp.Path().string(); }
  std::vector<uint8_t> Bytes(const char* extension) const {
    std::ifstream in(FTemp / (std::string(testing::kCatalogue) + extension), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  std::string FilePath(const std::string& extension) const { return FTemp / (testing::kCatalogue + extension); }
  // Appends records 1..count before any process shares the table.
  void Prefill(int count) {
    CatalogueUser user(Directory());
    for (int id = 1; id <= count; ++id) user.Append(id);
  }

  testing::TempDir FTemp;
};

TEST_F(TableSharingTest, AnotherProcesssRecordsAndMemosAreSeenWithoutReopening) {
  ChildProcess writer([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      if (parent.Receive() != 'g') return 1;
      for (int id = 1; id <= 1000; ++id) user.Append(id);
      for (int number = 1; number <= 10; ++number) user.WriteMemo(number, PatternBytes(400 * number, number));
      parent.Send('d');
      if (parent.Receive() != 'm') return 2;
      user.WriteMemo(5, PatternBytes(1000, 55));
      user.WriteMemo(6, {});
      parent.Send('d');
      return 0;
    });
  });
  ASSERT_TRUE(writer.Started());
  CatalogueUser reader(Directory());
  EXPECT_EQ(reader.RecordCount(), 0);
  writer.Send('g');
  ASSERT_EQ(writer.Receive(), 'd');
  EXPECT_EQ(reader.RecordCount(), 1000);
  int sound = 0;
  for (int number = 1; number <= 1000; ++number) {
    int32_t id = 0;
    if (reader.ReadSound(number, &id) && id == number) ++sound;
  }
  EXPECT_EQ(sound, 1000);
  for (int number = 1; number <= 10; ++number)
    EXPECT_EQ(reader.ReadMemo(number), PatternBytes(400 * number, number)) << number;
  writer.Send('m');
  ASSERT_EQ(writer.Receive(), 'd');
  EXPECT_EQ(reader.ReadMemo(5), PatternBytes(1000, 55));
  EXPECT_TRUE(reader.ReadMemo(6).empty());
  EXPECT_EQ(reader.ReadMemo(7), PatternBytes(2800, 7));
  EXPECT_EQ(writer.Wait(), 0);
}

TEST_F(TableSharingTest, RecordLockedByAnotherProcessFailsAfterTheRetries) {
  Prefill(6);
  ChildProcess holder([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      if (parent.Receive() != 'l') return 1;
      user.Table->LockRecord(5);
      user.Table->EndRead();
      parent.Send('k');
      if (parent.Receive() != 'u') return 2;
      user.Table->UnlockRecord(5);
      parent.Send('k');
      return parent.Receive() == 'q' ? 0 : 3;
    });
  });
  ASSERT_TRUE(holder.Started());
  CatalogueUser user(Directory());
  user.Session.LockRetryCount = 3;
  user.Session.LockWaitTime = 20;
  holder.Send('l');
  ASSERT_EQ(holder.Receive(), 'k');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(EngineErrorCode([&] { user.Table->LockRecord(5); }), err::RecordInUse);
  // Three waits of 20 ms lie between the four attempts: the failure cannot come sooner.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
  user.Table->LockRecord(6);
  user.Table->UnlockRecord(6);
  user.Session.LockRetryCount = 0;
  EXPECT_EQ(EngineErrorCode([&] { user.Table->LockRecord(5); }), err::RecordInUse);
  user.Table->EndRead();
  holder.Send('u');
  ASSERT_EQ(holder.Receive(), 'k');
  user.Table->LockRecord(5);
  user.Table->UnlockRecord(5);
  user.Table->EndRead();
  holder.Send('q');
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(TableSharingTest, ReadersAndAWriterInterleaveWithoutTornRecords) {
  constexpr int kRecords = 40;
  Prefill(kRecords);
  const int rewrites = testing::Iterations(400, 20000);
  ChildProcess writer([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      if (parent.Receive() != 'g') return 1;
      for (int i = 1; i <= rewrites; ++i) {
        const int number = i % kRecords + 1;
        user.Rewrite(number, number, i);
        if (i % 50 == 0) user.Append(kRecords + i);
      }
      parent.Send('d');
      return 0;
    });
  });
  ASSERT_TRUE(writer.Started());
  ChildProcess secondReader([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      if (parent.Receive() != 'g') return 1;
      for (int pass = 0; pass < rewrites / kRecords; ++pass)
        for (int number = 1; number <= kRecords; ++number)
          if (!user.ReadSound(number)) return 2;
      parent.Send('d');
      return 0;
    });
  });
  ASSERT_TRUE(secondReader.Started());
  CatalogueUser reader(Directory());
  writer.Send('g');
  secondReader.Send('g');
  int torn = 0;
  for (int pass = 0; pass < rewrites / kRecords; ++pass)
    for (int number = 1; number <= kRecords; ++number)
      if (!reader.ReadSound(number)) ++torn;
  EXPECT_EQ(torn, 0);
  ASSERT_EQ(writer.Receive(), 'd');
  ASSERT_EQ(secondReader.Receive(), 'd');
  EXPECT_EQ(writer.Wait(), 0);
  EXPECT_EQ(secondReader.Wait(), 0);
  EXPECT_EQ(reader.RecordCount(), kRecords + rewrites / 50);
  for (int number = 1; number <= reader.RecordCount(); ++number) EXPECT_TRUE(reader.ReadSound(number)) << number;
}

TEST_F(TableSharingTest, TransactionsAreSeenOnlyWhenCommitted) {
  Prefill(3);
  const auto data = Bytes(".DAT"), index = Bytes(".IDX"), blob = Bytes(".BLB");
  ChildProcess writer([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      user.Database->StartTransaction();
      for (int id = 4; id <= 13; ++id) user.Append(id);
      user.WriteMemo(1, PatternBytes(2000, 1));
      parent.Send('t');
      if (parent.Receive() != 'r') return 1;
      user.Database->Rollback();
      parent.Send('t');
      if (parent.Receive() != 'c') return 2;
      user.Database->StartTransaction();
      for (int id = 4; id <= 13; ++id) user.Append(id);
      user.Database->Commit();
      parent.Send('t');
      return 0;
    });
  });
  ASSERT_TRUE(writer.Started());
  CatalogueUser reader(Directory());
  ASSERT_EQ(writer.Receive(), 't');
  EXPECT_EQ(reader.RecordCount(), 3);
  writer.Send('r');
  ASSERT_EQ(writer.Receive(), 't');
  EXPECT_EQ(Bytes(".DAT"), data);
  EXPECT_EQ(Bytes(".IDX"), index);
  EXPECT_EQ(Bytes(".BLB"), blob);
  EXPECT_TRUE(reader.ReadMemo(1).empty());
  writer.Send('c');
  ASSERT_EQ(writer.Receive(), 't');
  EXPECT_EQ(reader.RecordCount(), 13);
  for (int number = 1; number <= 13; ++number) EXPECT_TRUE(reader.ReadSound(number));
  EXPECT_EQ(writer.Wait(), 0);
}

// A user that keeps files of the catalogue open: the whole table, or its BLOB file alone.
struct TFileHolder {
  const char* Label;
  bool InAnotherProcess;
  bool WholeTable;
};

// A change of the catalogue's files, and the files it touches.
struct TFileChange {
  std::string Label;
  std::vector<std::string> Touches;
  std::function<void(TDataDirectory&)> Run;
};

// Holds what the holder holds until destroyed.
std::shared_ptr<void> Hold(const TFileHolder& holder, const std::string& directory, const std::string& blobFile) {
  if (holder.WholeTable) return std::make_shared<CatalogueUser>(directory);
  auto file = std::make_shared<TFileHandler>(blobFile, false);
  file->Open();
  return file;
}

TEST_F(TableSharingTest, FilesInUseAreNeitherDeletedNorRenamed) {
  Prefill(20);
  {
    CatalogueUser user(Directory());
    for (int number = 1; number <= 3; ++number) user.WriteMemo(number, PatternBytes(700 * number, number));
    TDataTable* replacement = user.Database->CreateTable("NOVY", false, testing::CatalogueDefinition());
    user.Database->CloseTable(replacement);
  }
  const std::vector<std::string> all = {".DAT", ".IDX", ".BLB"};
  std::vector<TFileChange> changes = {
      {"delete the table", all, [](TDataDirectory& d) { d.DeleteTable(testing::kCatalogue, false); }},
      {"rename the table", all, [](TDataDirectory& d) { d.RenameTable(testing::kCatalogue, "JINY", false); }},
      {"rename the table to backups", all,
       [](TDataDirectory& d) { d.RenameTable(testing::kCatalogue, testing::kCatalogue, false, true); }},
      {"replace the table", all, [](TDataDirectory& d) { d.ReplaceTable(testing::kCatalogue, false, d, "NOVY"); }},
  };
  for (const std::string& extension : all) {
    const std::string path = FilePath(extension);
    changes.push_back({"delete the file " + extension, {extension}, [path](TDataDirectory&) {
                         TFileHandler(path, false).Delete();
                       }});
    changes.push_back({"rename the file " + extension, {extension}, [path](TDataDirectory&) {
                         TFileHandler(path, false).Rename(path + "~");
                       }});
  }
  const TFileHolder holders[] = {
      {"another process has the table open", true, true},
      {"another process has the BLOB file open", true, false},
      {"another session of this process has the table open", false, true},
      {"another user of this process has the BLOB file open", false, false},
  };
  for (const TFileHolder& holder : holders) {
    SCOPED_TRACE(holder.Label);
    std::unique_ptr<ChildProcess> child;
    std::shared_ptr<void> held;
    if (holder.InAnotherProcess) {
      child = std::make_unique<ChildProcess>([&](ChildProcess& parent) {
        return Guarded([&] {
          const auto files = Hold(holder, Directory(), FilePath(".BLB"));
          parent.Send('h');
          return parent.Receive() == 'q' ? 0 : 1;
        });
      });
      ASSERT_TRUE(child->Started());
      ASSERT_EQ(child->Receive(), 'h');
    } else {
      held = Hold(holder, Directory(), FilePath(".BLB"));
    }
    const auto before = testing::ReadFolder(FTemp.Path());
    for (const TFileChange& change : changes) {
      const bool touchesHeld = holder.WholeTable || std::ranges::count(change.Touches, ".BLB") > 0;
      if (!touchesHeld) continue;
      TDataSession session;
      TDataDirectory& directory = *session.OpenDirectory("", Directory());
      EXPECT_EQ(EngineErrorCode([&] { change.Run(directory); }), err::AccessDenied) << change.Label;
      ASSERT_EQ(testing::ChangedFiles(before, FTemp.Path()), "") << change.Label;
    }
    held.reset();
    if (child) {
      child->Send('q');
      EXPECT_EQ(child->Wait(), 0);
    }
  }
  // Once nobody uses it the table goes, all three files.
  TDataSession session;
  session.OpenDirectory("", Directory())->DeleteTable(testing::kCatalogue, false);
  for (const std::string& extension : all) EXPECT_FALSE(std::filesystem::exists(FilePath(extension))) << extension;
}

// The protocol locks wait out 8,192 retries of 3 ms each before giving up: run only with the
// long tests.
TEST_F(TableSharingTest, BlockedProtocolLocksGiveUpAndLeaveNothingHeld) {
  if (!testing::LongTestsRequested()) GTEST_SKIP() << "waits through thousands of lock retries";
  Prefill(1);
  ChildProcess holder([&](ChildProcess& parent) {
    return Guarded([&] {
      CatalogueUser user(Directory());
      if (parent.Receive() != 'g') return 2;
      user.Table->BeginWrite();  // writer ranges and the transaction byte
      parent.Send('w');
      return parent.Receive() == 'q' ? 0 : 1;
    });
  });
  ASSERT_TRUE(holder.Started());
  CatalogueUser user(Directory());  // opening checks the table under a read lock
  holder.Send('g');
  ASSERT_EQ(holder.Receive(), 'w');
  EXPECT_EQ(EngineErrorCode([&] { user.Table->BeginRead(); }), err::LockFailure);
  EXPECT_FALSE(user.Table->HoldsReadLock());
  EXPECT_EQ(EngineErrorCode([&] { user.Table->BeginWrite(); }), err::LockFailure);
  EXPECT_FALSE(user.Table->HoldsWriteLock());
  // A transaction whose byte cannot be locked does not begin, and its rollback unlocks nothing.
  EXPECT_EQ(EngineErrorCode([&] { user.Table->StartTransaction(); }), err::LockFailure);
  EXPECT_FALSE(user.Table->InTransaction());
  EXPECT_FALSE(user.Table->HoldsTransactionByte());
  user.Table->Rollback();
  holder.Send('q');
  EXPECT_EQ(holder.Wait(), 0);
  user.Table->StartTransaction();
  EXPECT_TRUE(user.Table->HoldsTransactionByte());
  user.Append(2);
  user.Table->Commit();
  EXPECT_EQ(user.RecordCount(), 2);
}

}  // namespace
}  // namespace sklad
