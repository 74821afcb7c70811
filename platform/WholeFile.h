// Reading a small file whole, for the texts the program shows or parses (INI file, help text).
#pragma once

#include <string>

namespace platform {

// Reads the file into bytes; answers 0, or an errno value (ENOENT, EISDIR, EACCES, EIO, ...)
// with bytes left empty.
int ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace platform
