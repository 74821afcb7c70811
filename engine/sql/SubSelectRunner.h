// TSubSelectRunner: a statement with IN (SELECT ...) operands — the runners of its sub-selects,
// planned from the last one to the first and executed from the last one down before the main
// statement, whose conditions reach each sub-select's rows through its TSubSelectRows.
#pragma once

#include <memory>
#include <vector>

#include "StatementRunner.h"
#include "SubSelectRows.h"

namespace sklad {

class TQueryStatement;

class TSubSelectRunner final : public TStatementRunner {
 public:
  // The statement's sub-select processors get their runners; every sub-select node of the
  // statement's conditions is pointed at its rows.
  TSubSelectRunner(TQueryStatement& statement, std::unique_ptr<TStatementRunner> main, TDataDirectory& directory);
  ~TSubSelectRunner() override;

  // Whether the statement has sub-selects, which need this runner.
  static bool Needed(const TQueryStatement& statement);

  void Plan(const std::function<bool()>& passwordCallback) override;
  TDataCursor* Execute(const TSqlProgress& progress) override;
  TDataCursor* Result() const override { return FMain->Result(); }
  bool Live() const override { return FMain->Live(); }
  int32_t RowsAffected() const override { return FMain->RowsAffected(); }

 private:
  struct TSubSelect {
    std::unique_ptr<TStatementRunner> Runner;
    std::unique_ptr<TSubSelectRows> Rows;
  };

  std::unique_ptr<TStatementRunner> FMain;
  std::vector<TSubSelect> FSubSelects;  // in the order the processors were added
};

}  // namespace sklad
