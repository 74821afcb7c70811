// TDataChangeStatement: INSERT, UPDATE and DELETE — their planning checks and their execution
// through a cursor on the target table, inside the statement's own transaction scheme.
#pragma once

#include "DataQuery.h"
#include "StatementRunner.h"

namespace sklad {

class TDataChangeStatement final : public TStatementRunner {
 public:
  TDataChangeStatement(TQueryStatement& statement, TDataQuery& query, TDataDirectory& directory);
  ~TDataChangeStatement() override;

  void Plan(const std::function<bool()>& passwordCallback) override;
  TDataCursor* Execute(const TSqlProgress& progress) override;
  int32_t RowsAffected() const override { return FRowsAffected; }

 private:
  TQueryStatement& FStatement;
  TDataQuery& FQuery;
  TDataDirectory& FDirectory;
  int32_t FRowsAffected = 0;
};

}  // namespace sklad
