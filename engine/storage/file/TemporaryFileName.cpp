#include "TemporaryFileName.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "engine/storage/core/EngineError.h"
#include "FileList.h"
#include "platform/FileSystem.h"

namespace sklad {

std::string ThreadNamePrefix() {
  return std::to_string(std::llabs(static_cast<long long>(gettid()))).substr(0, 5);
}

bool CreateFileExclusively(const std::string& path, bool inMemory) {
  if (inMemory) {
    // The registry is the only place in-memory files live: it checks and creates in one step,
    // so two threads choosing the same name never both get it.
    const int result = TFileList::Instance().CreateNewInMemory(path);
    if (result < 0) RaiseEngineError(static_cast<uint16_t>(-result), path);
    return result > 0;
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
