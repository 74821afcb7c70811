#include "TemporaryFileName.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "EngineError.h"
#include "FileHandler.h"
#include "platform/FileSystem.h"

namespace sklad {

std::string ThreadNamePrefix() {
  return std::to_string(std::llabs(static_cast<long long>(gettid()))).substr(0, 5);
}

bool CreateFileExclusively(const std::string& path, bool inMemory) {
  if (inMemory) {
    // The registry is the only place in-memory files live, and it is private to the process.
    TFileHandler file(path, true);
    if (file.Exists()) return false;
    file.CreateNew();
    return true;
  }
  platform::FileSystem& fileSystem = platform::CurrentFileSystem();
  int fd = -1;
  const int error = fileSystem.CreateExclusive(path, fd);
  if (error == EEXIST) return false;
  if (error != 0) RaiseEngineError(err::InvalidPath, path);
  fileSystem.Close(fd);
  return true;
}

}  // namespace sklad
