#include "ClauseReader.h"

#include <algorithm>
#include <charconv>

#include "engine/storage/language/LanguageList.h"

namespace sklad::sql {

void RaiseAt(TExpressionParser& p, std::string_view prefix) { p.RaiseError(std::string(prefix) + p.TokenText() + "'"); }

bool IsName(const TExpressionParser& p) {
  return p.IsKind(tkIdentifier) || p.IsKind(tkBracketedName) || p.IsKind(tkString);
}

bool IsTableName(const TExpressionParser& p) { return p.IsKind(tkIdentifier) || p.IsKind(tkString); }

TExpTree ParseClause(TExpressionParser& p, std::string_view clause, TAllowances allowances, std::string_view empty,
                     std::initializer_list<std::string_view> followers) {
  bool nothing = p.IsKind(0) || p.IsKind(';') || p.IsKind(',') || p.IsKind(')');
  for (std::string_view word : followers) nothing = nothing || p.IsKeyword(word);
  if (nothing) p.RaiseError(std::string(empty));
  p.SetClause(clause);
  TExpTree tree = p.ParseExpression(allowances);
  p.SetClause("SQL statement");
  return tree;
}

TExpTree ParseClausePrimary(TExpressionParser& p, std::string_view clause, std::string_view empty) {
  if (p.IsKind(0) || p.IsKind(';') || p.IsKind(',') || p.IsKind(')')) p.RaiseError(std::string(empty));
  p.SetClause(clause);
  TExpTree value = p.ParsePrimary(0);
  p.SetClause("SQL statement");
  return value;
}

void EnterClause(TExpressionParser& p, std::string_view clause) {
  p.SetClause(clause);
  p.NextToken();
}

TExpTree ParseWhere(TExpressionParser& p, std::initializer_list<std::string_view> followers) {
  EnterClause(p, "WHERE or JOIN clause");
  return ParseClause(p, "WHERE or JOIN clause", AllowExtendedPredicates | AllowParameters | AllowSubSelects,
                     "WHERE or JOIN clause is empty", followers);
}

int32_t ParseIntegerValue(TExpressionParser& p, std::string_view clause, std::string_view empty) {
  if (p.IsKind(0) || p.IsKind(';') || p.IsKind(',') || p.IsKind(')')) p.RaiseError(std::string(empty));
  p.SetClause(clause);
  TExpTree value = p.ParseSignedPrimary(0);
  p.SetClause("SQL statement");
  const TExpToken* constant = value->Kind == TNodeKind::UnaryOperator ? value->First : value.get();
  const bool negative = value->Operator == TOperator::Negate;
  if (constant->Kind != TNodeKind::Constant) return 0;
  if (constant->ValueType == static_cast<uint8_t>(TFieldType::Integer)) {
    const int64_t number = constant->As<int32_t>();
    return static_cast<int32_t>(negative ? -number : number);
  }
  // Digits an integer constant could not hold became a float: a number out of range, not 0.
  const std::string& digits = constant->SourceText;
  const bool whole = constant->ValueType == static_cast<uint8_t>(TFieldType::Float) && !digits.empty() &&
                     std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; });
  if (!whole) return 0;
  const std::string written = (negative ? "-" : "") + digits;
  int32_t number = 0;
  const auto [end, error] = std::from_chars(written.data(), written.data() + written.size(), number);
  if (error != std::errc() || end != written.data() + written.size())
    p.RaiseError("Integer constant '" + written + "' is out of range in " + std::string(clause));
  return number;
}

void ParseLanguageAndSort(TExpressionParser& p, uint16_t& language, uint16_t& sort, bool& languageGiven,
                          bool& sortGiven) {
  p.NextToken();  // LANGUAGE
  const std::string languageName = p.TokenText();
  if (!IsLanguageKnown(languageName))
    p.RaiseError("Invalid language constant '" + languageName + "' specified after LANGUAGE keyword");
  language = LanguageIdentifier(languageName);
  languageGiven = true;
  p.NextToken();
  if (!p.IsKeyword("SORT")) return;
  p.NextToken();
  const std::string sortName = p.TokenText();
  if (!IsSortKnown(language, sortName))
    p.RaiseError("Invalid sort constant '" + sortName + "' specified after SORT keyword");
  sort = SortIdentifier(language, sortName);
  sortGiven = true;
  p.NextToken();
}

void SetTableName(TSourceTable& source, const std::string& name) {
  const size_t split = name.find_last_of("\\/:");
  source.TableName = split == std::string::npos ? name : name.substr(split + 1);
  if (source.InMemory)
    source.Directory = "Memory";
  else if (name.find(':') != std::string::npos || name.find('\\') != std::string::npos)
    source.Directory = name.substr(0, split + 1);
  source.CorrelationName = source.TableName.substr(0, source.TableName.find('.'));
}

TSourceTable& ParseTableReference(TExpressionParser& p, TDataQuery& q, std::string_view missing,
                                  std::string_view missingAfterMemory) {
  auto source = std::make_unique<TSourceTable>();
  source->SequenceNumber = 1;
  if (p.IsKeyword("MEMORY")) {
    source->InMemory = true;
    p.NextToken();
    if (!IsTableName(p)) RaiseAt(p, missingAfterMemory);
  } else if (!IsTableName(p)) {
    RaiseAt(p, missing);
  }
  SetTableName(*source, p.TokenText());
  p.NextToken();
  q.Sources.push_back(std::move(source));
  return *q.Sources.back();
}

void ParseCorrelation(TExpressionParser& p, TSourceTable& source, std::initializer_list<std::string_view> reserved) {
  if (p.IsKeyword("AS")) {
    p.NextToken();
    if (!IsTableName(p)) RaiseAt(p, "Symbol or string expected after AS keyword, instead found '");
  } else {
    if (!IsTableName(p)) return;
    for (std::string_view word : reserved)
      if (p.IsKeyword(word)) return;
  }
  source.CorrelationName = p.TokenText().substr(0, 255);
  p.NextToken();
}

void ExpectEnd(TExpressionParser& p, std::string_view statement) {
  if (p.IsKind(';')) p.NextToken();
  if (!p.IsKind(0)) RaiseAt(p, "End of " + std::string(statement) + " statement expected, instead found '");
}

}  // namespace sklad::sql
