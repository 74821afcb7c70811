#include "WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace platform {

int ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return EISDIR;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return errno != 0 ? errno : ENOENT;
  char buffer[4096];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (!failed) return 0;
  bytes.clear();
  return EIO;
}

}  // namespace platform
