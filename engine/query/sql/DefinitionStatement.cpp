#include "DefinitionStatement.h"

#include "engine/storage/EngineError.h"

namespace sklad {

TDefinitionStatement::TDefinitionStatement(TDataQuery& query, TDataDirectory& directory)
    : FQuery(query), FDirectory(directory) {}

TDefinitionStatement::~TDefinitionStatement() = default;

void TDefinitionStatement::Plan(const std::function<bool()>&) {
  RaiseEngineError(err::SqlError, {}, {}, "definition statements are not supported yet");
}

TDataCursor* TDefinitionStatement::Execute(const TSqlProgress&) { return nullptr; }

}  // namespace sklad
