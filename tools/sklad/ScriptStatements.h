// TScriptStatements: a script of SQL statements separated by semicolons, handed out one statement
// at a time. The engine's own tokenizer finds the semicolons, so one inside a quoted string, a
// bracketed name or a comment does not end a statement.
#pragma once

#include <optional>
#include <string>

namespace sklad::tool {

class TScriptStatements {
 public:
  explicit TScriptStatements(std::string script) : FScript(std::move(script)) {}

  // The next statement with its semicolon, or none when only blanks, comments and semicolons
  // remain. From a token the tokenizer refuses (a string without its closing quote) on, the rest
  // of the script is one statement, so the statements before it run first and the engine reports
  // the fault in the clause where it stands.
  std::optional<std::string> Next();

 private:
  std::string FScript;
  size_t FPosition = 0;
};

}  // namespace sklad::tool
