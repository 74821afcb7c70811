// CREATE TABLE and CREATE INDEX: the definitions built from the statement and handed to the
// cursor engine.
#include "DefinitionStatement.h"

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

TTableDefinition TDefinitionStatement::CreatedTable() {
  TTableDefinition definition;
  TTableProperties& properties = definition.Properties;
  const sql::TTableLocale session = SessionLocale();
  properties.Language = session.Language;
  properties.Sort = session.Sort;
  properties.UserMajorVersion = 1;
  properties.BlobBlockSize = FQuery.Options.BlobBlockSize;
  sql::ApplyTableOptions(FQuery.Options, properties);
  for (TCreateField& column : FQuery.CreateFields)
    definition.Fields.Add(sql::NewFieldDefinition(column, {properties.Language, properties.Sort}));
  bool primaryGiven = false;
  for (const TCreateIndex& index : FQuery.CreateIndexes) {
    if (primaryGiven) RaiseEngineError(err::PrimaryIndexExists, Table().TableName);
    definition.Primary = sql::NewIndexDefinition(index, definition.Fields, Table().TableName);
    primaryGiven = true;
  }
  return definition;
}

void TDefinitionStatement::CreateTable() {
  TDataCursor cursor(TableDirectory());
  cursor.SetTableName(Table().TableName);
  cursor.SetInMemory(Table().InMemory);
  cursor.CreateTable(CreatedTable(), false);
}

TIndexDefinition TDefinitionStatement::CreatedIndex(const TDataCursor& cursor) {
  TSystemList<TFieldDefinition> fields;
  for (int n = 1; n <= cursor.TableFieldCount(); ++n) fields.Add(cursor.TableField(n));
  return sql::NewIndexDefinition(FQuery.CreateIndexes.front(), fields, Table().TableName);
}

void TDefinitionStatement::CreateIndex() {
  const std::unique_ptr<TDataCursor> cursor = OpenTable(true);
  // A unique index over duplicate values fails instead of deleting records.
  cursor->SetRefuseRecordLoss(true);
  cursor->AddIndex(CreatedIndex(*cursor));
  // The table, held exclusively, writes its changes as it closes: a failed write fails the
  // statement instead of going unnoticed in the cursor's destructor.
  cursor->Close();
}

}  // namespace sklad
