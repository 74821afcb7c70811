// TStatementDirectories: the databases a statement reaches besides its own — the directory of a
// table named with a path, the session's private directory for result tables, the in-memory
// database — opened through the session once each and closed when the statement goes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "DataQuery.h"

namespace sklad {

class TDataDirectory;

class TStatementDirectories {
 public:
  explicit TStatementDirectories(TDataDirectory& statementDirectory) : FStatement(statementDirectory) {}
  ~TStatementDirectories();
  TStatementDirectories(const TStatementDirectories&) = delete;
  TStatementDirectories& operator=(const TStatementDirectories&) = delete;

  // Where a table lives: the statement's database for a bare name and for in-memory tables
  // (which a directory holds by name only), otherwise the directory of the path given with it.
  TDataDirectory& Of(const TSourceTable& table);
  // The session's private directory, where result tables go by default.
  TDataDirectory& Private();
  // The in-memory database.
  TDataDirectory& Memory();

 private:
  TDataDirectory& Opened(std::string_view databaseName, std::string_view path);

  TDataDirectory& FStatement;
  std::vector<TDataDirectory*> FOpened;
};

}  // namespace sklad
