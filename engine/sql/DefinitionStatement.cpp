#include "DefinitionStatement.h"

#include "StatementDirectories.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {

TDefinitionStatement::TDefinitionStatement(TDataQuery& query, TDataDirectory& directory)
    : FQuery(query), FDirectory(directory), FDirectories(std::make_unique<TStatementDirectories>(directory)) {}

TDefinitionStatement::~TDefinitionStatement() = default;

void TDefinitionStatement::Plan(const std::function<bool()>& passwordCallback) {
  FPasswordCallback = passwordCallback;
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  switch (FQuery.Kind) {
    case TStatementKind::CreateTable: CreatedTable(); break;
    case TStatementKind::CreateIndex: CreatedIndex(*OpenTable(false)); break;
    case TStatementKind::AlterTable: AlteredTable(*OpenTable(false)); break;
    default: break;
  }
}

TDataCursor* TDefinitionStatement::Execute(const TSqlProgress&) {
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  switch (FQuery.Kind) {
    case TStatementKind::CreateTable: CreateTable(); break;
    case TStatementKind::CreateIndex: CreateIndex(); break;
    case TStatementKind::AlterTable: AlterTable(); break;
    case TStatementKind::DropTable: DropTable(); break;
    case TStatementKind::DropIndex: DropIndex(); break;
    default: break;
  }
  return nullptr;
}

TDataDirectory& TDefinitionStatement::TableDirectory() { return FDirectories->Of(Table()); }

std::unique_ptr<TDataCursor> TDefinitionStatement::OpenTable(bool exclusive) {
  auto cursor = std::make_unique<TDataCursor>(TableDirectory());
  cursor->SetTableName(Table().TableName);
  cursor->SetInMemory(Table().InMemory);
  cursor->SetExclusive(exclusive);
  cursor->SetReadOnly(!exclusive);
  if (FPasswordCallback) cursor->SetPasswordCallback(FPasswordCallback);
  cursor->Open();
  return cursor;
}

sql::TTableLocale TDefinitionStatement::SessionLocale() const {
  const TDataSession& session = FDirectory.Session();
  return {session.LanguageId, session.SortId};
}

void TDefinitionStatement::DropTable() {
  TDataCursor cursor(TableDirectory());
  cursor.SetTableName(Table().TableName);
  cursor.SetInMemory(Table().InMemory);
  cursor.DeleteTable();
}

void TDefinitionStatement::DropIndex() {
  const std::unique_ptr<TDataCursor> cursor = OpenTable(true);
  if (!FQuery.DropPrimary) {
    cursor->DeleteIndex(FQuery.IndexName);
  } else {
    if (cursor->Table()->Index().NoPrimaryKey())
      RaiseEngineError(err::InvalidIndexName, Table().TableName, {}, {}, FQuery.IndexName);
    cursor->DeleteIndexByNumber(TIndexFile::kPrimarySlot, true);
  }
  // Written as the exclusive table closes (see CreateIndex).
  cursor->Close();
}

}  // namespace sklad
