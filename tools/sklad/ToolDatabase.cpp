#include "tools/sklad/ToolDatabase.h"

#include <filesystem>

#include "tools/sklad/Tool.h"

namespace sklad::tool {

TToolDatabase::TToolDatabase(const std::string& directory) {
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error))
    throw TToolFailure("sklad: no such folder: " + directory);
  FSession.SetPrivateDirectory(std::filesystem::temp_directory_path().string());
  FDatabase = FSession.OpenDirectory("", directory);
}

}  // namespace sklad::tool
