#include "MoveFile.h"

#include <cerrno>
#include <vector>

namespace platform {
namespace {

constexpr size_t kCopyChunk = 1 << 16;

int CopyContent(FileSystem& fileSystem, int source, int target) {
  std::vector<char> buffer(kCopyChunk);
  for (int64_t offset = 0;;) {
    size_t read = 0;
    if (int error = fileSystem.ReadAt(source, buffer.data(), buffer.size(), offset, read)) return error;
    if (read == 0) return fileSystem.Sync(target);
    size_t written = 0;
    if (int error = fileSystem.WriteAt(target, buffer.data(), read, offset, written)) return error;
    if (written != read) return EIO;
    offset += static_cast<int64_t>(read);
  }
}

// Copies the file to a new file of the other name; on failure the new file is removed again.
int CopyToNewFile(FileSystem& fileSystem, const std::string& from, const std::string& to) {
  int source = -1;
  if (int error = fileSystem.OpenExisting(from, false, source)) return error;
  int target = -1;
  int error = fileSystem.CreateExclusive(to, target);
  if (error == 0) {
    error = CopyContent(fileSystem, source, target);
    const int closed = fileSystem.Close(target);
    if (error == 0) error = closed;
    if (error != 0) fileSystem.Remove(to);
  }
  fileSystem.Close(source);
  return error;
}

}  // namespace

int MoveFile(FileSystem& fileSystem, const std::string& from, const std::string& to) {
  const int renamed = fileSystem.Rename(from, to);
  if (renamed != EXDEV) return renamed;
  if (int error = CopyToNewFile(fileSystem, from, to)) return error;
  if (int error = fileSystem.Remove(from)) {
    // Two copies would be a move half done: the old file stays the only one.
    fileSystem.Remove(to);
    return error;
  }
  return 0;
}

}  // namespace platform
