#include "tools/sklad/ScriptStatements.h"

#include "engine/expression/ExpressionParser.h"
#include "engine/storage/core/EngineError.h"

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
  size_t end = rest.size();
  try {
    while (!tokens.IsKind(0) && !tokens.IsKind(';')) tokens.NextToken();
    if (tokens.IsKind(';')) end = tokens.ConsumedLength() + 1;
  } catch (const ESkladEngineError&) {
    // A token that cannot be read (an unterminated quote, name or comment) leaves no way to tell
    // where the statement ends: the rest of the script goes to the engine as one statement, whose
    // parser reports the fault in the clause it stands in.
  }
  FPosition += end;
  return std::string(rest.substr(start, end - start));
}

}  // namespace sklad::tool
