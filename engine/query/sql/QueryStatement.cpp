#include "QueryStatement.h"

#include "engine/storage/EngineError.h"
#include "engine/storage/LanguageSettings.h"

namespace sklad {

TQueryStatement::TQueryStatement(uint16_t language, uint16_t sort)
    : FLanguage(language), FSort(sort), FParser(this) {
  FProcessors.push_back(std::make_unique<TDataQuery>());
}

size_t TQueryStatement::Parse(std::string_view text) {
  TLocaleScope locale(FLanguage, FSort);
  FParser.SetErrorContext(err::SqlError, "", "SQL statement");
  FParser.SetText(text);
  FParser.NextToken();
  ParseStatement();
  return FParser.ConsumedLength();
}

void TQueryStatement::ParseStatement() {
  TExpressionParser& p = FParser;
  if (p.IsKeyword("SELECT")) return ParseSelect(p, Main());
  auto recognised = [&](TStatementKind kind) {
    Main().Kind = kind;
    // The data-changing and definition statements have their own parsers, which this release
    // of the engine does not include yet.
    p.RaiseError("Statement not supported in this version of Sklad SQL: '" + p.TokenText() + "'");
  };
  if (p.IsKeyword("INSERT")) return recognised(TStatementKind::Insert);
  if (p.IsKeyword("UPDATE")) return recognised(TStatementKind::Update);
  if (p.IsKeyword("DELETE")) return recognised(TStatementKind::Delete);
  if (p.IsKeyword("CREATE")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return recognised(TStatementKind::CreateTable);
    for (std::string_view word : {"INDEX", "UNIQUE", "ASC", "ASCENDING", "DESC", "DESCENDING", "NOCASE"})
      if (p.IsKeyword(word)) return recognised(TStatementKind::CreateIndex);
    p.RaiseError("TABLE or INDEX keyword expected, instead found '" + p.TokenText() + "'");
  }
  if (p.IsKeyword("ALTER")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return recognised(TStatementKind::AlterTable);
    p.RaiseError("TABLE keyword expected, instead found '" + p.TokenText() + "'");
  }
  if (p.IsKeyword("DROP")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return recognised(TStatementKind::DropTable);
    if (p.IsKeyword("INDEX")) return recognised(TStatementKind::DropIndex);
    p.RaiseError("TABLE or INDEX keyword expected, instead found '" + p.TokenText() + "'");
  }
  p.RaiseError("SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found '" +
               p.TokenText() + "'");
}

TSubQuery* TQueryStatement::ParseSubSelect(TExpressionParser& parser) {
  auto query = std::make_unique<TDataQuery>();
  query->IsSubSelect = true;
  query->RequestLive = true;
  TDataQuery* raw = query.get();
  FProcessors.push_back(std::move(query));
  const std::string clause = parser.Clause();
  ParseSelect(parser, *raw);
  parser.SetClause(clause);
  return raw;
}

}  // namespace sklad
