// Moving a file to a new name, also onto another file system: a rename where the operating
// system can do one, otherwise (EXDEV) a copy to the new name followed by the removal of the old.
#pragma once

#include <string>

#include "FileSystem.h"

namespace platform {

// 0 or an errno value. A move that fails leaves the old file as it was and no new file behind.
int MoveFile(FileSystem& fileSystem, const std::string& from, const std::string& to);

}  // namespace platform
