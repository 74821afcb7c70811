#include "SqlStatement.h"

#include <chrono>

#include "QueryStatement.h"
#include "SubSelectRunner.h"
#include "SqlErrors.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

TSqlStatement::TSqlStatement(TDataDirectory& directory, std::string text, TSqlStatementOptions options)
    : FDirectory(directory), FText(std::move(text)), FOptions(std::move(options)) {}

// The plan's cursors go before the parsed statement whose trees they were given copies of.
TSqlStatement::~TSqlStatement() { FPlan.reset(); }

void TSqlStatement::Prepare() {
  if (FPrepared) return;
  const TDataSession& session = FDirectory.Session();
  auto statement = std::make_unique<TQueryStatement>(session.LanguageId, session.SortId);
  TDataQuery& query = statement->Main();
  query.RequestLive = FOptions.RequestLive;
  query.MaximumRowCount = FOptions.MaxRowCount;
  FConsumed = statement->Parse(FText);
  auto plan = MakeStatementRunner(query, FDirectory);
  // IN (SELECT ...) operands: their processors are planned before the main one and run first.
  if (TSubSelectRunner::Needed(*statement))
    plan = std::make_unique<TSubSelectRunner>(*statement, std::move(plan), FDirectory);
  plan->Plan(FOptions.PasswordCallback);
  FStatement = std::move(statement);
  FPlan = std::move(plan);
  FPrepared = true;
}

void TSqlStatement::BindParameters(const std::vector<TSqlParameter>& values) {
  if (!FPrepared) Prepare();
  const std::vector<TExpToken*>& markers = FStatement->Parameters();
  for (size_t i = 0; i < values.size(); ++i) {
    if (i >= markers.size()) RaiseSql("Internal parameter error");
    const TSqlParameter& value = values[i];
    TExpToken& marker = *markers[i];
    marker.IsNull = value.IsNull;
    marker.ValueType = static_cast<uint8_t>(value.Type);
    marker.Scale = static_cast<uint8_t>(value.Scale);
    marker.Size = static_cast<uint32_t>(value.Type == TFieldType::String ? value.Size + 1 : value.Size);
    marker.Reserve(static_cast<uint32_t>(value.Value.size()) + 1);
    std::fill(marker.Value.begin(), marker.Value.end(), 0);
    std::copy(value.Value.begin(), value.Value.end(), marker.Value.begin());
  }
}

TDataCursor* TSqlStatement::Execute() {
  if (!FPrepared) Prepare();
  const auto start = std::chrono::steady_clock::now();
  FStatement->Main().MaximumRowCount = FOptions.MaxRowCount;
  TDataCursor* result = FPlan->Execute(FProgress);
  FRowsAffected = FPlan->RowsAffected();
  FExecutionTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

TDataCursor* TSqlStatement::Result() const { return FPlan ? FPlan->Result() : nullptr; }

bool TSqlStatement::ResultIsLive() const { return FPlan && FPlan->Live(); }

}  // namespace sklad
