// TToolDatabase: the engine session and the database over the folder a command names. Results
// and sort runs go to the system's temporary directory, never into the user's folder.
#pragma once

#include <string>

#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace sklad::tool {

class TToolDatabase {
 public:
  // A folder that does not exist is a failure of the command (TToolFailure), named in the message.
  explicit TToolDatabase(const std::string& directory);
  TToolDatabase(const TToolDatabase&) = delete;
  TToolDatabase& operator=(const TToolDatabase&) = delete;

  TDataSession& Session() { return FSession; }
  TDataDirectory& Database() { return *FDatabase; }

 private:
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
};

}  // namespace sklad::tool
