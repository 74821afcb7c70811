#include "DataChangeStatement.h"

#include "engine/storage/EngineError.h"

namespace sklad {

TDataChangeStatement::TDataChangeStatement(TQueryStatement& statement, TDataQuery& query, TDataDirectory& directory)
    : FStatement(statement), FQuery(query), FDirectory(directory) {}

TDataChangeStatement::~TDataChangeStatement() = default;

void TDataChangeStatement::Plan(const std::function<bool()>&) {
  RaiseEngineError(err::SqlError, {}, {}, "data-changing statements are not supported yet");
}

TDataCursor* TDataChangeStatement::Execute(const TSqlProgress&) { return nullptr; }

}  // namespace sklad
