// The files of a folder with their bytes, for tests that check that a refused operation left a
// folder exactly as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace sklad::testing {

using FolderFiles = std::map<std::string, std::vector<uint8_t>>;

inline FolderFiles ReadFolder(const std::filesystem::path& folder) {
  FolderFiles files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().filename().string()] = std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

// The names of the files that are new, gone or changed in the folder since then; empty when none is.
inline std::string ChangedFiles(const FolderFiles& then, const std::filesystem::path& folder) {
  const FolderFiles now = ReadFolder(folder);
  std::string changed;
  for (const auto& [name, bytes] : then)
    if (!now.contains(name) || now.at(name) != bytes) changed += name + " ";
  for (const auto& entry : now)
    if (!then.contains(entry.first)) changed += entry.first + " ";
  return changed;
}

}  // namespace sklad::testing
