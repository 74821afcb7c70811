// The file layer under a failing operating system: every failure is reported with its engine
// code and nothing already stored is lost.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using sklad::testing::TempDir;

// Passes every call to the operating system unless a fault is set for it.
class FaultyFileSystem : public platform::FileSystem {
 public:
  int openError = 0, syncError = 0, truncateError = 0, lockError = 0, readError = 0, writeError = 0;
  size_t shortWriteBy = 0;  // bytes a write leaves unwritten without reporting an error

  int OpenExisting(const std::string& path, bool forWriting, int& fd) override {
    return openError ? openError : FileSystem::OpenExisting(path, forWriting, fd);
  }
  int OpenOrCreate(const std::string& path, int& fd) override {
    return openError ? openError : FileSystem::OpenOrCreate(path, fd);
  }
  int ReadAt(int fd, void* buffer, size_t count, int64_t offset, size_t& done) override {
    if (readError) return done = 0, readError;
    return FileSystem::ReadAt(fd, buffer, count, offset, done);
  }
  int WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done) override {
    if (writeError) return done = 0, writeError;
    return FileSystem::WriteAt(fd, buffer, count > shortWriteBy ? count - shortWriteBy : 0, offset, done);
  }
  int Truncate(int fd, int64_t size) override { return truncateError ? truncateError : FileSystem::Truncate(fd, size); }
  int Sync(int fd) override { return syncError ? syncError : FileSystem::Sync(fd); }
  int Lock(int fd, int64_t offset, int64_t length, bool shared) override {
    return lockError ? lockError : FileSystem::Lock(fd, offset, length, shared);
  }
};

class FaultyFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetFileSystem(&faults); }
  void TearDown() override { platform::SetFileSystem(nullptr); }

  template <typename Call>
  static int RaisedCode(Call call) {
    try {
      call();
    } catch (const ESkladEngineError& e) {
      return e.Code();
    }
    return 0;
  }

  FaultyFileSystem faults;
  TempDir dir;
};

TEST_F(FaultyFileSystemTest, OpenFailuresMapToTheirEngineCodes) {
  const std::string path = dir.Write("O.DAT", "o");
  const struct {
    int osError;
    int code;
  } cases[] = {{ENOENT, err::InvalidPath},  {EMFILE, err::TooManyFiles},   {ENFILE, err::TooManyFiles},
               {EACCES, err::AccessDenied}, {EPERM, err::AccessDenied},     {EBADF, err::InvalidFileHandle},
               {ENOMEM, err::OutOfMemory},  {ENODEV, err::DeviceAccessDenied}, {EXDEV, err::TableMoved},
               {EIO, err::UnknownOsError}};
  for (const auto& c : cases) {
    faults.openError = c.osError;
    TFileHandler handler(path, false);
    EXPECT_EQ(RaisedCode([&] { handler.Open(); }), c.code) << c.osError;
    EXPECT_FALSE(handler.IsOpen());
  }
  // A failed first open is retried by the next open.
  faults.openError = 0;
  TFileHandler handler(path, false);
  handler.Open();
  EXPECT_TRUE(handler.IsOpen());
}

TEST_F(FaultyFileSystemTest, FailedAndShortWritesRaiseAndKeepWhatWasStored) {
  TFileHandler handler(dir / "W.DAT", false);
  handler.CreateNew();
  handler.WriteAt(0, "stored!", 7);

  faults.writeError = ENOSPC;
  EXPECT_EQ(RaisedCode([&] { handler.WriteAt(7, "more", 4); }), err::WriteError);
  faults.writeError = 0;
  faults.shortWriteBy = 2;
  EXPECT_EQ(RaisedCode([&] { handler.WriteAt(7, "more", 4); }), err::WriteError);
  faults.shortWriteBy = 0;

  char buffer[7];
  EXPECT_EQ(handler.ReadAt(0, buffer, 7), 7);
  EXPECT_EQ(std::string(buffer, 7), "stored!");

  faults.readError = EIO;
  EXPECT_EQ(RaisedCode([&] { handler.ReadAt(0, buffer, 7); }), err::ReadError);
  faults.readError = 0;
  faults.syncError = EIO;
  EXPECT_EQ(RaisedCode([&] { handler.Flush(); }), err::WriteError);
}

TEST_F(FaultyFileSystemTest, AFailedCreateLeavesTheOldContent) {
  const std::string path = dir.Write("C.DAT", "old content");
  faults.truncateError = EIO;
  TFileHandler handler(path, false);
  EXPECT_EQ(RaisedCode([&] { handler.CreateNew(); }), err::UnknownOsError);
  EXPECT_FALSE(handler.IsOpen());
  EXPECT_EQ(std::filesystem::file_size(path), 11u);
}

TEST_F(FaultyFileSystemTest, AFailedLockLeavesNothingHeld) {
  TFileHandler handler(dir.Write("L.DAT", ""), false);
  handler.Open();
  faults.lockError = EAGAIN;
  EXPECT_FALSE(handler.LockRange(100, 4));
  EXPECT_FALSE(handler.UnlockRange(100, 4));  // nothing was recorded as held
  faults.lockError = 0;
  EXPECT_TRUE(handler.LockRange(100, 4));
  EXPECT_TRUE(handler.UnlockRange(100, 4));
}

}  // namespace
}  // namespace sklad
