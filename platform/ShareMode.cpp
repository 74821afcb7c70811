#include "ShareMode.h"

#include <cerrno>
#include <cstdint>

#include "FileSystem.h"

namespace platform {
namespace {

// Every shared open holds a shared lock on the first byte, every exclusive open on the second.
constexpr int64_t kSharedOpenByte = int64_t{1} << 62;
constexpr int64_t kExclusiveOpenByte = kSharedOpenByte + 1;

}  // namespace

// Each opener first announces itself, then looks for openers it conflicts with, and withdraws
// when it finds one. Two conflicting openers racing may both withdraw, never both succeed.
int AcquireShareMode(FileSystem& fileSystem, int fd, bool exclusive) {
  const int64_t own = exclusive ? kExclusiveOpenByte : kSharedOpenByte;
  if (int error = fileSystem.Lock(fd, own, 1, /*shared=*/true)) return error == EAGAIN ? EACCES : error;

  bool conflict = false;
  int error = fileSystem.IsLockedByOthers(fd, kExclusiveOpenByte, 1, conflict);
  if (!error && !conflict && exclusive) error = fileSystem.IsLockedByOthers(fd, kSharedOpenByte, 1, conflict);
  if (error || conflict) {
    fileSystem.Unlock(fd, own, 1);
    return error ? error : EACCES;
  }
  return 0;
}

}  // namespace platform
