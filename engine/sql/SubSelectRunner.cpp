#include "SubSelectRunner.h"

#include "QueryStatement.h"
#include "engine/expression/TreeWalk.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace sklad {
namespace {

bool IsSubSelect(const TDataQuery& query) { return query.IsSubSelect && !query.FeedsInsert; }

}  // namespace

bool TSubSelectRunner::Needed(const TQueryStatement& statement) {
  for (const auto& processor : statement.Processors())
    if (IsSubSelect(*processor)) return true;
  return false;
}

TSubSelectRunner::TSubSelectRunner(TQueryStatement& statement, std::unique_ptr<TStatementRunner> main,
                                   TDataDirectory& directory)
    : FMain(std::move(main)) {
  const TDataSession& session = directory.Session();
  std::vector<std::pair<const TSubQuery*, TSubSelectRows*>> rowsOf;
  for (const auto& processor : statement.Processors()) {
    if (!IsSubSelect(*processor)) continue;
    TSubSelect sub;
    sub.Runner = MakeStatementRunner(*processor, directory);
    sub.Rows = std::make_unique<TSubSelectRows>(*processor, *sub.Runner, session.LanguageId, session.SortId);
    rowsOf.emplace_back(processor.get(), sub.Rows.get());
    FSubSelects.push_back(std::move(sub));
  }
  for (const auto& processor : statement.Processors()) {
    EachNode(processor->Condition.get(), [&](TExpToken& node) {
      if (node.Kind != TNodeKind::SubSelect) return;
      for (const auto& [query, rows] : rowsOf)
        if (node.SubQuery == query) node.SubQuery = rows;
    });
  }
}

TSubSelectRunner::~TSubSelectRunner() = default;

void TSubSelectRunner::Plan(const std::function<bool()>& passwordCallback) {
  for (auto sub = FSubSelects.rbegin(); sub != FSubSelects.rend(); ++sub) sub->Runner->Plan(passwordCallback);
  FMain->Plan(passwordCallback);
}

TDataCursor* TSubSelectRunner::Execute(const TSqlProgress& progress) {
  for (auto sub = FSubSelects.rbegin(); sub != FSubSelects.rend(); ++sub) sub->Rows->Execute(progress);
  return FMain->Execute(progress);
}

}  // namespace sklad
