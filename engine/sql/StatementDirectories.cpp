#include "StatementDirectories.h"

#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace sklad {

TStatementDirectories::~TStatementDirectories() {
  for (TDataDirectory* directory : FOpened) FStatement.Session().CloseDirectory(directory);
}

TDataDirectory& TStatementDirectories::Of(const TSourceTable& table) {
  if (table.InMemory || table.Directory.empty()) return FStatement;
  return Opened({}, table.Directory);
}

TDataDirectory& TStatementDirectories::Private() {
  return Opened({}, FStatement.Session().TemporaryDirectory());
}

TDataDirectory& TStatementDirectories::Memory() { return Opened("MEMORY", {}); }

TDataDirectory& TStatementDirectories::Opened(std::string_view databaseName, std::string_view path) {
  TDataSession& session = FStatement.Session();
  FOpened.push_back(session.OpenDirectory(databaseName, path));
  return *FOpened.back();
}

}  // namespace sklad
