#include "ResultTable.h"

#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

// Removes a table that could not be made whole; the failure that led here is the one to report.
void RemoveQuietly(TDataDirectory& directory, const std::string& name, bool inMemory) {
  try {
    if (directory.TableExists(name, inMemory)) directory.DeleteTable(name, inMemory);
  } catch (const ESkladEngineError&) {
  }
}

}  // namespace

TResultTable::TResultTable(TDataDirectory& directory, const std::string& name, bool inMemory,
                           TTableDefinition definition)
    : FDirectory(directory), FName(name), FInMemory(inMemory), FTemporary(name.empty()) {
  const std::string password = definition.Properties.Encrypted ? definition.Properties.Password : std::string();
  Create(definition);
  try {
    Open(password);
  } catch (...) {
    FCursor.reset();
    RemoveQuietly(FDirectory, FName, FInMemory);
    throw;
  }
}

TResultTable::~TResultTable() {
  FCursor.reset();
  if (FTemporary) RemoveQuietly(FDirectory, FName, FInMemory);
}

void TResultTable::Create(TTableDefinition& definition) {
  ValidateTableDefinition(definition, {.TableName = FName,
                                       .Language = definition.Properties.Language,
                                       .Sort = definition.Properties.Sort});
  if (FTemporary) {
    // Taking the name creates its data file exclusively: no other statement can take it too.
    FName = FDirectory.TemporaryTableName();
  } else if (FDirectory.TableExists(FName, FInMemory)) {
    FDirectory.DeleteTable(FName, FInMemory);
  }
  try {
    FDirectory.CloseTable(FDirectory.CreateTable(FName, FInMemory, definition));
  } catch (...) {
    RemoveQuietly(FDirectory, FName, FInMemory);
    throw;
  }
}

void TResultTable::Open(const std::string& password) {
  TDataSession& session = FDirectory.Session();
  const bool learnPassword = !password.empty() && !session.PasswordKnown(password);
  if (learnPassword) session.AddPassword(password);
  FCursor = std::make_unique<TDataCursor>(FDirectory);
  FCursor->SetTableName(FName);
  FCursor->SetInMemory(FInMemory);
  FCursor->SetExclusive(true);
  try {
    FCursor->Open();
  } catch (...) {
    if (learnPassword) session.RemovePassword(password);
    throw;
  }
  if (learnPassword) session.RemovePassword(password);
}

}  // namespace sklad
