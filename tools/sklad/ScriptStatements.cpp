#include "tools/sklad/ScriptStatements.h"

#include "engine/query/expression/ExpressionParser.h"
#include "engine/storage/EngineError.h"

namespace sklad::tool {

std::optional<std::string> TScriptStatements::Next() {
  const std::string_view rest = std::string_view(FScript).substr(FPosition);
  TExpressionParser tokens;
  tokens.SetErrorContext(err::SqlError, "", "SQL statement");
  tokens.SetText(rest);
  // Empty statements (";;") are passed over.
  while (tokens.NextToken() == ';') {
  }
  if (tokens.IsKind(0)) {
    FPosition = FScript.size();
    return std::nullopt;
  }
  const size_t start = tokens.ConsumedLength();
  while (!tokens.IsKind(0) && !tokens.IsKind(';')) tokens.NextToken();
  const size_t end = tokens.IsKind(';') ? tokens.ConsumedLength() + 1 : rest.size();
  FPosition += end;
  return std::string(rest.substr(start, end - start));
}

}  // namespace sklad::tool
