// TDefinitionStatement: CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP TABLE and DROP INDEX —
// their planning checks and their execution through the cursor engine's table definition.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ColumnDefinition.h"
#include "DataQuery.h"
#include "StatementRunner.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

class TStatementDirectories;

class TDefinitionStatement final : public TStatementRunner {
 public:
  TDefinitionStatement(TDataQuery& query, TDataDirectory& directory);
  ~TDefinitionStatement() override;

  // Builds the definitions the statement asks for, so that every fault of the text is found
  // here; ALTER TABLE and CREATE INDEX read the table's definitions for it.
  void Plan(const std::function<bool()>& passwordCallback) override;
  // Builds the definitions again from the table as it is now and changes the table.
  TDataCursor* Execute(const TSqlProgress& progress) override;
  int32_t RowsAffected() const override { return 0; }

 private:
  // ---- The statement's table (DefinitionStatement.cpp) ----
  const TSourceTable& Table() const { return *FQuery.Sources.front(); }
  // The statement's database, or the folder given with the table's name.
  TDataDirectory& TableDirectory();
  // A cursor opened on the table: shared and read-only, or exclusively for a change.
  std::unique_ptr<TDataCursor> OpenTable(bool exclusive);
  sql::TTableLocale SessionLocale() const;
  void DropTable();
  void DropIndex();

  // ---- CREATE TABLE and CREATE INDEX (CreateTableStatement.cpp) ----
  TTableDefinition CreatedTable();
  void CreateTable();
  TIndexDefinition CreatedIndex(const TDataCursor& cursor);
  void CreateIndex();

  // ---- ALTER TABLE (AlterTableStatement.cpp) ----
  // The table's definition with the statement's columns, indexes and options applied.
  TTableDefinition AlteredTable(TDataCursor& cursor);
  void AlterFields(TSystemList<TFieldDefinition>& fields, sql::TTableLocale locale);
  void AlterIndexes(TTableDefinition& definition, const TDataCursor& cursor);
  void AlterTable();

  TDataQuery& FQuery;
  TDataDirectory& FDirectory;
  std::unique_ptr<TStatementDirectories> FDirectories;
  std::function<bool()> FPasswordCallback;
};

}  // namespace sklad
