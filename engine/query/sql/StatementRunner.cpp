#include "StatementRunner.h"

#include "DataChangeStatement.h"
#include "DefinitionStatement.h"
#include "SelectPlan.h"

namespace sklad {

std::unique_ptr<TStatementRunner> MakeStatementRunner(TQueryStatement& statement, TDataQuery& query,
                                                      TDataDirectory& directory) {
  switch (query.Kind) {
    case TStatementKind::Select: return std::make_unique<TSelectPlan>(query, directory);
    case TStatementKind::Insert:
    case TStatementKind::Update:
    case TStatementKind::Delete: return std::make_unique<TDataChangeStatement>(statement, query, directory);
    default: return std::make_unique<TDefinitionStatement>(query, directory);
  }
}

}  // namespace sklad
