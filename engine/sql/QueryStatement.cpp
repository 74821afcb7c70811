#include "QueryStatement.h"

#include "ClauseReader.h"
#include "StatementParsers.h"

#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

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
  TDataQuery& q = Main();
  if (p.IsKeyword("SELECT")) return ParseSelect(p, q);
  if (p.IsKeyword("INSERT")) return sql::ParseInsert(p, *this, q);
  if (p.IsKeyword("UPDATE")) return sql::ParseUpdate(p, q);
  if (p.IsKeyword("DELETE")) return sql::ParseDelete(p, q);
  if (p.IsKeyword("CREATE")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return sql::ParseCreateTable(p, q);
    for (std::string_view word : {"INDEX", "UNIQUE", "ASC", "ASCENDING", "DESC", "DESCENDING", "NOCASE"})
      if (p.IsKeyword(word)) return sql::ParseCreateIndex(p, q);
    sql::RaiseAt(p, "TABLE or INDEX keyword expected, instead found '");
  }
  if (p.IsKeyword("ALTER")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return sql::ParseAlterTable(p, q);
    sql::RaiseAt(p, "TABLE keyword expected, instead found '");
  }
  if (p.IsKeyword("DROP")) {
    p.NextToken();
    if (p.IsKeyword("TABLE")) return sql::ParseDropTable(p, q);
    if (p.IsKeyword("INDEX")) return sql::ParseDropIndex(p, q);
    sql::RaiseAt(p, "TABLE or INDEX keyword expected, instead found '");
  }
  sql::RaiseAt(p, "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found '");
}

TDataQuery& TQueryStatement::AddProcessor() {
  FProcessors.push_back(std::make_unique<TDataQuery>());
  return *FProcessors.back();
}

TSubQuery* TQueryStatement::ParseSubSelect(TExpressionParser& parser) {
  TDataQuery& query = AddProcessor();
  query.IsSubSelect = true;
  query.RequestLive = true;
  const std::string clause = parser.Clause();
  ParseSelect(parser, query);
  parser.SetClause(clause);
  return &query;
}

}  // namespace sklad
