// What processes share through one table file: sharing modes and byte-range locks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using sklad::testing::ChildProcess;
using sklad::testing::TempDir;

constexpr char kReady = 'r';
constexpr char kGo = 'g';

// The code an open raises, 0 when it succeeds.
int OpenResult(const std::string& path, bool exclusive) {
  TFileHandler handler(path, false);
  handler.Exclusive = exclusive;
  try {
    handler.Open();
  } catch (const ESkladEngineError& e) {
    return e.Code();
  }
  return 0;
}

// A child that opens the file (exclusively or not), says it is ready and holds the file open
// until told to go.
int HoldOpen(ChildProcess& self, const std::string& path, bool exclusive) {
  TFileHandler handler(path, false);
  handler.Exclusive = exclusive;
  handler.Open();
  self.Send(kReady);
  self.Receive();
  return 0;
}

// A child that locks ranges, says it is ready and holds them until told to go.
int HoldLocks(ChildProcess& self, const std::string& path, std::initializer_list<std::pair<int64_t, int64_t>> ranges) {
  TFileHandler handler(path, false);
  handler.Open();
  for (auto [offset, length] : ranges)
    if (!handler.LockRange(offset, length)) return 1;
  self.Send(kReady);
  self.Receive();
  return 0;
}

TEST(FileSharing, ExclusiveAndSharedOpensExcludeEachOtherAcrossProcesses) {
  TempDir dir;
  const std::string path = dir.Write("X.DAT", "content");
  for (bool childExclusive : {true, false}) {
    ChildProcess child([&](ChildProcess& self) { return HoldOpen(self, path, childExclusive); });
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Receive(), kReady);
    EXPECT_EQ(OpenResult(path, /*exclusive=*/true), err::AccessDenied) << childExclusive;
    EXPECT_EQ(OpenResult(path, /*exclusive=*/false), childExclusive ? err::AccessDenied : 0);
    // A create must not empty a file another process has open.
    try {
      TFileHandler(path, false).CreateNew();
      ADD_FAILURE() << "created over an open file";
    } catch (const ESkladEngineError& e) {
      EXPECT_EQ(e.Code(), err::AccessDenied);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 7u);
    child.Send(kGo);
    EXPECT_EQ(child.Wait(), 0);
  }
  EXPECT_EQ(OpenResult(path, true), 0);  // free again once the child is gone
}

TEST(FileSharing, RecordLocksExcludeOtherProcessesAndOtherUsersOfThisOne) {
  TempDir dir;
  const std::string path = dir.Write("R.DAT", "");  // locks lie beyond the end of the file
  const int64_t base = int64_t{1} << 31;
  TFileHandler first(path, false), second(path, false);
  first.Open();
  second.Open();
  ASSERT_TRUE(first.LockRange(base + 10, 1));
  EXPECT_FALSE(second.LockRange(base + 10, 1));  // one process, two users
  EXPECT_FALSE(second.LockRange(base + 5, 10));  // overlapping
  ASSERT_TRUE(second.LockRange(base + 11, 1));   // adjacent

  ChildProcess child([&](ChildProcess&) {
    TFileHandler other(path, false);
    other.Open();
    const bool firstHeld = !other.LockRange(base + 10, 1);
    const bool secondHeld = !other.LockRange(base + 11, 1);
    const bool freeRange = other.LockRange(base + 20, 1);
    return firstHeld && secondHeld && freeRange ? 0 : 1;
  });
  EXPECT_EQ(child.Wait(), 0);

  // A failed attempt and an unlock that names no held range change nothing.
  EXPECT_FALSE(second.UnlockRange(base + 10, 2));
  EXPECT_FALSE(second.LockRange(base + 9, 3));
  // An unlock by one user leaves the other user's adjacent lock held for every process.
  EXPECT_TRUE(first.UnlockRange(base + 10, 1));
  ChildProcess check([&](ChildProcess&) {
    TFileHandler other(path, false);
    other.Open();
    return other.LockRange(base + 10, 1) && !other.LockRange(base + 11, 1) ? 0 : 1;
  });
  EXPECT_EQ(check.Wait(), 0);
}

TEST(FileSharing, AKilledLockHolderFreesItsLocksAndItsOpen) {
  TempDir dir;
  const std::string path = dir.Write("K.DAT", "k");
  const int64_t record = (int64_t{1} << 31) - 100;
  ChildProcess holder([&](ChildProcess& self) { return HoldLocks(self, path, {{record, 4}}); });
  ASSERT_EQ(holder.Receive(), kReady);
  TFileHandler handler(path, false);
  handler.Open();
  EXPECT_FALSE(handler.LockRange(record, 4));
  EXPECT_FALSE(handler.LockRange(record + 3, 1));
  holder.Kill();
  EXPECT_TRUE(handler.LockRange(record, 4));
}

TEST(FileSharing, LocksNearAndBeyondTwoToThe31WorkWithSixtyFourBitOffsets) {
  TempDir dir;
  const std::string path = dir.Write("B.DAT", "b");
  const int64_t offsets[] = {(int64_t{1} << 31) - 1, int64_t{1} << 31, (int64_t{1} << 32) + 1,
                             int64_t{1} << 40};
  ChildProcess holder([&](ChildProcess& self) {
    return HoldLocks(self, path, {{offsets[0], 1}, {offsets[1], 1}, {offsets[2], 2}, {offsets[3], 8}});
  });
  ASSERT_EQ(holder.Receive(), kReady);
  TFileHandler handler(path, false);
  handler.Open();
  for (int64_t offset : offsets) EXPECT_FALSE(handler.LockRange(offset, 1)) << offset;
  // The low 32 bits alone must not alias another range.
  EXPECT_TRUE(handler.LockRange(offsets[2] - (int64_t{1} << 32), 2));
  holder.Send(kGo);
  EXPECT_EQ(holder.Wait(), 0);
}

}  // namespace
}  // namespace sklad
