// Moving a file across file systems: where rename answers EXDEV the file is copied and the old
// one removed; a move that fails on the way leaves the old file as it was and no new one.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/MoveFile.h"
#include "tests/support/TempDir.h"

namespace platform {
namespace {

using sklad::testing::TempDir;

// Renames fail with EXDEV; writes and removals fail as set.
class CrossDeviceFileSystem : public FileSystem {
 public:
  int writeError = 0, removeError = 0, renameError = EXDEV;

  int Rename(const std::string&, const std::string&) override { return renameError; }
  int WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done) override {
    if (writeError) return done = 0, writeError;
    return FileSystem::WriteAt(fd, buffer, count, offset, done);
  }
  int Remove(const std::string& path) override {
    // Only the old file's removal fails: a half-made copy can still be cleared away.
    if (removeError && path.ends_with("old.DAT")) return removeError;
    return FileSystem::Remove(path);
  }
};

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MoveFileTest, CrossDeviceMovesCopyOrLeaveTheOldFile) {
  struct TCase {
    const char* What;
    int WriteError, RemoveError, RenameError;
    int Result;
  } const cases[] = {
      {"copied and removed", 0, 0, EXDEV, 0},
      {"a failed write", ENOSPC, 0, EXDEV, ENOSPC},
      {"the old file kept by a failed removal", 0, EACCES, EXDEV, EACCES},
      {"another rename failure is passed on", 0, 0, EIO, EIO},
  };
  // More than one copy chunk, so that the copy loops.
  const std::string content(200000, 'x');
  for (const TCase& c : cases) {
    TempDir dir;
    const std::string from = dir.Write("old.DAT", content);
    const std::string to = dir / "new.DAT";
    CrossDeviceFileSystem os;
    os.writeError = c.WriteError;
    os.removeError = c.RemoveError;
    os.renameError = c.RenameError;
    EXPECT_EQ(MoveFile(os, from, to), c.Result) << c.What;
    EXPECT_EQ(std::filesystem::exists(from), c.Result != 0) << c.What;
    EXPECT_EQ(std::filesystem::exists(to), c.Result == 0) << c.What;
    EXPECT_EQ(Content(c.Result == 0 ? to : from), content) << c.What;
  }
}

}  // namespace
}  // namespace platform
