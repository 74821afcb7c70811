// The grammar half of TExpressionParser: expressions, predicates, operands and constants.
#include "ExpressionParser.h"

#include <algorithm>
#include <charconv>

#include "engine/storage/data/DateTimeValues.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

constexpr auto kBoolean = static_cast<uint8_t>(TFieldType::Boolean);

// The correlation name of a qualified column: the name without directory part and extension.
std::string CorrelationFrom(const std::string& text) {
  std::string name = text.substr(text.find_last_of("\\/") + 1);
  return name.substr(0, name.find('.'));
}

}  // namespace

TExpTree TExpressionParser::MakeNode(TNodeKind kind, TOperator op, std::string text) const {
  TExpTree node = TakeNode();
  node->Kind = kind;
  node->Operator = op;
  node->SourceText = std::move(text);
  const bool comparisonOrLogical = op >= TOperator::Equal && op <= TOperator::Or;  // includes NOT
  if (kind == TNodeKind::Predicate || comparisonOrLogical) {
    node->ValueType = kBoolean;
    node->Size = 2;
  }
  return node;
}

TExpTree TExpressionParser::TakeOperator(TNodeKind kind, TOperator op) {
  TExpTree node = MakeNode(kind, op, TokenText());
  NextToken();
  return node;
}

void TExpressionParser::Expect(int kind, std::string_view prefix) {
  if (FKind != kind) RaiseTokenError(prefix);
  NextToken();
}

void TExpressionParser::ExpectKeyword(std::string_view word, std::string_view prefix) {
  if (!IsKeyword(word)) RaiseTokenError(prefix);
  NextToken();
}

// The functions on the way down from an expression to a primary recurse once per nesting level
// of the text, so they keep their frames small: the operator's node is read by a helper, and
// messages are composed only where they are raised.

TExpTree TExpressionParser::ParseExpression(TAllowances allowances) { return ParseDisjunction(allowances); }

TExpTree TExpressionParser::ParseDisjunction(TAllowances allowances) {
  TExpTree left = ParseConjunction(allowances);
  while (IsKeyword("OR")) {
    TExpTree node = TakeOperator(TNodeKind::BinaryOperator, TOperator::Or);
    node->First = left.release();
    node->Second = ParseConjunction(allowances).release();
    left = std::move(node);
  }
  return left;
}

TExpTree TExpressionParser::ParseConjunction(TAllowances allowances) {
  TExpTree left = ParseNegation(allowances);
  while (IsKeyword("AND")) {
    TExpTree node = TakeOperator(TNodeKind::BinaryOperator, TOperator::And);
    node->First = left.release();
    node->Second = ParseNegation(allowances).release();
    left = std::move(node);
  }
  return left;
}

TExpTree TExpressionParser::ParseNegation(TAllowances allowances) {
  if (!IsKeyword("NOT")) return ParseComparison(allowances);
  TExpTree node = TakeOperator(TNodeKind::UnaryOperator, TOperator::Not);
  node->First = ParseComparison(allowances).release();
  return node;
}

TExpTree TExpressionParser::ParseComparison(TAllowances allowances) {
  TExpTree left = ParseSum(allowances);
  if (FKind != '=' && FKind != '<' && FKind != '>') return ParsePredicate(std::move(left), allowances);
  TExpTree node = TakeComparisonOperator();
  node->First = left.release();
  node->Second = ParseSum(allowances).release();
  return node;
}

TExpTree TExpressionParser::TakeComparisonOperator() {
  TOperator op = TOperator::Equal;
  std::string text(1, static_cast<char>(FKind));
  if (FKind != '=') {
    const bool less = FKind == '<';
    const size_t firstEnd = FPosition;
    NextToken();
    if (FKind == '=' || (less && FKind == '>')) {
      if (FTokenStart != firstEnd) text += ' ';
      text += static_cast<char>(FKind);
      op = FKind == '=' ? (less ? TOperator::LessOrEqual : TOperator::GreaterOrEqual) : TOperator::NotEqual;
    } else {
      return MakeNode(TNodeKind::BinaryOperator, less ? TOperator::Less : TOperator::Greater, std::move(text));
    }
  }
  NextToken();
  return MakeNode(TNodeKind::BinaryOperator, op, std::move(text));
}

TExpTree TExpressionParser::ParsePredicate(TExpTree left, TAllowances allowances) {
  const bool predicateWord = IsKeyword("NOT") || IsKeyword("LIKE") || IsKeyword("BETWEEN") || IsKeyword("IN") ||
                             IsKeyword("IS");
  if (!predicateWord) return left;
  if (!(allowances & AllowExtendedPredicates))
    RaiseClauseError("Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in ");
  if (IsKeyword("IS")) return ParseIsNull(std::move(left));
  TExpTree node = TakePredicateOperator();
  node->First = left.release();
  switch (node->Operator) {
    case TOperator::Like:
    case TOperator::NotLike:
      node->Second = ParseSum(allowances).release();
      return node;
    case TOperator::Between:
    case TOperator::NotBetween: {
      TExpTree low = ParseSum(allowances);
      ExpectKeyword("AND", "Expected AND operator in BETWEEN operator, instead found '");
      low->Next = ParseSum(allowances).release();
      node->Second = low.release();
      return node;
    }
    default:
      return ParseInList(std::move(node), allowances);
  }
}

// [NOT] LIKE, BETWEEN or IN, read into the predicate's node.
TExpTree TExpressionParser::TakePredicateOperator() {
  std::string text;
  const bool negated = IsKeyword("NOT");
  if (negated) {
    text = TokenText() + " ";
    NextToken();
    if (!IsKeyword("LIKE") && !IsKeyword("BETWEEN") && !IsKeyword("IN"))
      RaiseTokenError("Unknown or unexpected symbol '");
  }
  text += TokenText();
  TOperator op = negated ? TOperator::NotIn : TOperator::In;
  if (IsKeyword("LIKE")) op = negated ? TOperator::NotLike : TOperator::Like;
  if (IsKeyword("BETWEEN")) op = negated ? TOperator::NotBetween : TOperator::Between;
  NextToken();
  return MakeNode(TNodeKind::Predicate, op, std::move(text));
}

TExpTree TExpressionParser::ParseInList(TExpTree node, TAllowances allowances) {
  const bool negated = node->Operator == TOperator::NotIn;
  Expect('(', negated ? "Expected left parentheses for IN operator, instead found '"
                      : "Expected left parentheses after IN operator, instead found '");
  if (IsKeyword("SELECT")) {
    if (!(allowances & AllowSubSelects)) RaiseClauseError("Sub-select queries are not allowed in ");
    node->Operator = negated ? TOperator::NotInSelect : TOperator::InSelect;
    TExpTree subSelect = MakeNode(TNodeKind::SubSelect, TOperator::None, TokenText());
    const TNestingLevel level(*this, kSubSelectNesting);
    if (FOwner) subSelect->SubQuery = FOwner->ParseSubSelect(*this);
    node->Second = subSelect.release();
  } else {
    if (FKind == ')') RaiseClauseError("You must provide at least one value as an operand of the IN operator  in ");
    TExpToken** link = &node->Second;
    for (;;) {
      *link = ParseSum(allowances).release();
      link = &(*link)->Next;
      if (FKind != ',') break;
      NextToken();
    }
  }
  Expect(')', "Expected right parentheses after IN operator, instead found '");
  return node;
}

TExpTree TExpressionParser::ParseIsNull(TExpTree left) {
  std::string text = TokenText();
  NextToken();
  TOperator op = TOperator::Equal;
  if (IsKeyword("NOT")) {
    text += " " + TokenText();
    op = TOperator::NotEqual;
    NextToken();
  }
  if (!IsKeyword("NULL")) RaiseUnexpectedSymbol();
  text += " " + TokenText();
  TExpTree nullConstant = MakeNode(TNodeKind::Constant, TOperator::None, TokenText());
  nullConstant->IsNull = true;
  NextToken();
  TExpTree node = MakeNode(TNodeKind::BinaryOperator, op, text);
  node->First = left.release();
  node->Second = nullConstant.release();
  return node;
}

TExpTree TExpressionParser::ParseSum(TAllowances allowances) {
  TExpTree left = ParseProduct(allowances);
  while (FKind == '+' || FKind == '-' || FKind == '|') {
    TExpTree node = TakeAdditiveOperator();
    node->First = left.release();
    node->Second = ParseProduct(allowances).release();
    left = std::move(node);
  }
  return left;
}

// `+`, `-` or `||` (two `|` tokens), read into the operator's node.
TExpTree TExpressionParser::TakeAdditiveOperator() {
  if (FKind != '|') return TakeOperator(TNodeKind::BinaryOperator, FKind == '-' ? TOperator::Subtract : TOperator::Add);
  NextToken();
  if (FKind != '|')
    RaiseTokenError("Second concatenation symbol '|' expected after first concatentation symbol, instead found '");
  NextToken();
  return MakeNode(TNodeKind::BinaryOperator, TOperator::Add, "||");
}

TExpTree TExpressionParser::ParseProduct(TAllowances allowances) {
  TExpTree left = ParseSignedPrimary(allowances);
  while (FKind == '*' || FKind == '/') {
    TExpTree node = TakeOperator(TNodeKind::BinaryOperator, FKind == '*' ? TOperator::Multiply : TOperator::Divide);
    node->First = left.release();
    node->Second = ParseSignedPrimary(allowances).release();
    left = std::move(node);
  }
  return left;
}

TExpTree TExpressionParser::ParseSignedPrimary(TAllowances allowances) {
  if (FKind != '+' && FKind != '-') return ParsePrimary(allowances);
  TExpTree node = TakeOperator(TNodeKind::UnaryOperator, FKind == '-' ? TOperator::Negate : TOperator::UnaryPlus);
  node->First = ParsePrimary(allowances).release();
  return node;
}

TExpressionParser::TNestingLevel::TNestingLevel(TExpressionParser& parser, int levels)
    : FParser(parser), FLevels(levels) {
  if (FParser.FDepth + FLevels > kMaximumNesting) FParser.RaiseClauseError("Expression nested too deeply in ");
  FParser.FDepth += FLevels;
}

// Every nesting of an expression passes here: a parenthesised expression, the arguments of a
// function, an aggregate or a data type all parse their operands through a primary.
TExpTree TExpressionParser::ParsePrimary(TAllowances allowances) {
  const TNestingLevel level(*this, 1);
  switch (FKind) {
    case tkIdentifier:
      return ParseIdentifier(allowances);
    case tkBracketedName:
    case tkString:
      return ParseNameOrString(allowances);
    case tkCharacterConstant:
      return ParseCharacterConstant();
    case tkInteger:
    case tkFloat:
      return ParseNumber();
    case '(': {
      NextToken();
      TExpTree inner = ParseExpression(allowances);
      Expect(')', "Right parentheses expected, instead found '");
      return inner;
    }
    case '*':
    case '?':
      return ParseMarker(allowances);
    default:
      RaiseUnexpectedSymbol();
  }
}

// A bracketed name or a string: a column, a qualified column, or a string constant.
TExpTree TExpressionParser::ParseNameOrString(TAllowances allowances) {
  const bool bracketed = FKind == tkBracketedName;
  const std::string text = TokenText();
  NextToken();
  if (FKind == '.') return ParseQualifiedColumn(text, allowances);
  if (bracketed) {
    TExpTree column = MakeNode(TNodeKind::Column, TOperator::None, text);
    column->ColumnName = text;
    return column;
  }
  TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
  constant->SetString(text);
  return constant;
}

// `*` (all columns) or `?` (a parameter), where the clause admits them.
TExpTree TExpressionParser::ParseMarker(TAllowances allowances) {
  if (FKind == '*') {
    if (!(allowances & AllowAllColumns)) RaiseClauseError("* (all columns) symbol is not allowed in ");
    NextToken();
    TExpTree column = MakeNode(TNodeKind::Column, TOperator::None, "*");
    column->ColumnName = "*";
    return column;
  }
  if (!(allowances & AllowParameters)) RaiseClauseError("Parameters are not allowed in ");
  NextToken();
  TExpTree marker = MakeNode(TNodeKind::Constant, TOperator::None, "?");
  marker->IsParameter = true;
  if (FOwner) FOwner->AddParameter(marker.get());
  return marker;
}

TExpTree TExpressionParser::ParseIdentifier(TAllowances allowances) {
  if (IsFunctionKeyword()) return ParseFunction(allowances);
  for (std::string_view aggregate : {"SUM", "COUNT", "MIN", "MAX", "AVG"})
    if (IsKeyword(aggregate)) return ParseAggregate(allowances);
  return ParseNamedValue(allowances);
}

// TRUE, FALSE, NULL, CURRENT_DATE, CURRENT_TIME, CURRENT_TIMESTAMP, or a column.
TExpTree TExpressionParser::ParseNamedValue(TAllowances allowances) {
  const std::string text = TokenText();
  if (IsKeyword("TRUE") || IsKeyword("FALSE")) {
    TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
    constant->ValueType = kBoolean;
    constant->Size = 2;
    constant->Set<int16_t>(IsKeyword("TRUE") ? 1 : 0);
    NextToken();
    return constant;
  }
  if (IsKeyword("NULL")) {
    TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
    constant->IsNull = true;
    NextToken();
    return constant;
  }
  if (IsKeyword("CURRENT_DATE") || IsKeyword("CURRENT_TIME") || IsKeyword("CURRENT_TIMESTAMP")) {
    TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
    const TLocalMoment now = LocalNow();
    if (IsKeyword("CURRENT_DATE")) {
      constant->ValueType = static_cast<uint8_t>(TFieldType::Date);
      constant->Size = 4;
      constant->Set<int32_t>(now.Day);
    } else if (IsKeyword("CURRENT_TIME")) {
      constant->ValueType = static_cast<uint8_t>(TFieldType::Time);
      constant->Size = 4;
      constant->Set<int32_t>(now.Millisecond);
    } else {
      constant->ValueType = static_cast<uint8_t>(TFieldType::TimeStamp);
      constant->Size = 8;
      constant->Set<double>(static_cast<double>(now.Day) * kMillisecondsPerDay + now.Millisecond);
    }
    NextToken();
    return constant;
  }

  NextToken();
  if (FKind == '(') RaiseError("Unknown or unexpected function '" + text + "' found in " + FClause);
  if (FKind == '.') return ParseQualifiedColumn(text, allowances);
  TExpTree column = MakeNode(TNodeKind::Column, TOperator::None, text);
  column->ColumnName = text;
  return column;
}

// Called with the `.` after the correlation name as the current token.
TExpTree TExpressionParser::ParseQualifiedColumn(const std::string& correlation, TAllowances allowances) {
  NextToken();
  if (FKind == '*') {
    if (!(allowances & AllowAllColumns)) RaiseClauseError("* (all columns) symbol is not allowed in ");
  } else if (FKind != tkIdentifier && FKind != tkBracketedName && FKind != tkString) {
    RaiseTokenError("Symbol or string expression expected after table correlation name separator '.', instead found '");
  }
  const std::string column = TokenText();
  NextToken();
  TExpTree node = MakeNode(TNodeKind::Column, TOperator::None, correlation + "." + column);
  node->ColumnName = column;
  node->CorrelationName = CorrelationFrom(correlation);
  return node;
}

TExpTree TExpressionParser::ParseNumber() {
  const std::string text = TokenText();
  TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
  int32_t integer = 0;
  const char* end = text.data() + text.size();
  if (FKind == tkInteger) {
    const auto [stop, error] = std::from_chars(text.data(), end, integer);
    if (error == std::errc() && stop == end) {
      constant->ValueType = static_cast<uint8_t>(TFieldType::Integer);
      constant->Size = 4;
      constant->Set<int32_t>(integer);
      NextToken();
      return constant;
    }
  }
  std::string decimal = text;
  std::replace(decimal.begin(), decimal.end(), FDecimalSeparator, '.');
  double number = 0;
  const auto [stop, error] = std::from_chars(decimal.data(), decimal.data() + decimal.size(), number);
  if (error != std::errc() || stop != decimal.data() + decimal.size())
    RaiseError("Constant '" + text + "' is not a valid number  in " + FClause);
  constant->ValueType = static_cast<uint8_t>(TFieldType::Float);
  constant->Size = 8;
  constant->Set<double>(number);
  NextToken();
  return constant;
}

TExpTree TExpressionParser::ParseCharacterConstant() {
  const std::string text = TokenText();
  const std::string digits = text.substr(1);
  int code = -1;  // stays -1 for no digits and for a number too large to read
  std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (code < 0 || code > 255)
    RaiseError("Character constants (#) must be within the range of 0 to 255 in " + FClause);
  TExpTree constant = MakeNode(TNodeKind::Constant, TOperator::None, text);
  constant->ValueType = static_cast<uint8_t>(TFieldType::String);
  constant->Size = 2;
  constant->Value[0] = static_cast<uint8_t>(code);
  constant->Value[1] = 0;
  NextToken();
  return constant;
}

}  // namespace sklad
