// TBenchDatabase: the engine's session and a database over a benchmark's work directory, which
// is also the session's private directory (where query results go).
#pragma once

#include <filesystem>

#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace sklad::bench {

struct TBenchDatabase {
  explicit TBenchDatabase(const std::filesystem::path& directory) {
    std::filesystem::create_directories(directory);
    Session.SetPrivateDirectory(directory.string());
    Database = Session.OpenDirectory("", directory.string());
  }

  TDataSession Session;
  TDataDirectory* Database = nullptr;
};

}  // namespace sklad::bench
