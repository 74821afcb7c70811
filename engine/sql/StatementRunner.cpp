#include "StatementRunner.h"

#include "DataChangeStatement.h"
#include "DefinitionStatement.h"
#include "SelectPlan.h"

namespace sklad {

std::unique_ptr<TStatementRunner> MakeStatementRunner(TDataQuery& query, TDataDirectory& directory) {
  switch (query.Kind) {
    case TStatementKind::Select: return std::make_unique<TSelectPlan>(query, directory);
    case TStatementKind::Insert:
    case TStatementKind::Update:
    case TStatementKind::Delete: return std::make_unique<TDataChangeStatement>(query, directory);
    default: return std::make_unique<TDefinitionStatement>(query, directory);
  }
}

}  // namespace sklad
