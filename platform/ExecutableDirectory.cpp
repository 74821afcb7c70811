#include "ExecutableDirectory.h"

#include <filesystem>
#include <system_error>

namespace platform {

std::string ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  std::string directory =
      error ? std::filesystem::current_path().string() : program.parent_path().string();
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace platform
