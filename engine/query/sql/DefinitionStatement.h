// TDefinitionStatement: CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP TABLE and DROP INDEX —
// their planning checks and their execution through the cursor engine's table definition.
#pragma once

#include "DataQuery.h"
#include "StatementRunner.h"

namespace sklad {

class TDefinitionStatement final : public TStatementRunner {
 public:
  TDefinitionStatement(TDataQuery& query, TDataDirectory& directory);
  ~TDefinitionStatement() override;

  void Plan(const std::function<bool()>& passwordCallback) override;
  TDataCursor* Execute(const TSqlProgress& progress) override;
  int32_t RowsAffected() const override { return 0; }

 private:
  TDataQuery& FQuery;
  TDataDirectory& FDirectory;
};

}  // namespace sklad
