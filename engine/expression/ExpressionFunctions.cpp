// TExpressionParser's functions, aggregates and data types.
#include <array>

#include "ExpressionParser.h"

namespace sklad {
namespace {

using enum TOperator;

constexpr auto kString = static_cast<uint8_t>(TFieldType::String);
constexpr auto kInteger = static_cast<uint8_t>(TFieldType::Integer);
constexpr auto kFloat = static_cast<uint8_t>(TFieldType::Float);

struct FunctionName {
  std::string_view name;
  TOperator op;
  bool joinedLeftMessage;   // "expectedafter": LOWER, UPPER, ABS, ROUND and IF
  bool singleArgument;      // "function argument" rather than "function arguments"
};

constexpr std::array<FunctionName, 12> kFunctions{{
    {"LOWER", Lower, true, true},
    {"UPPER", Upper, true, true},
    {"ABS", Abs, true, true},
    {"ROUND", Round, true, false},
    {"IF", If, true, false},
    {"SUBSTRING", Substring, false, false},
    {"REPLACE", Replace, false, false},
    {"POS", Pos, false, false},
    {"OCCURS", Occurs, false, false},
    {"CAST", Cast, false, false},
    {"TRIM", TrimBoth, false, false},
    {"EXTRACT", ExtractYear, false, false},
}};

// The arguments a data type takes.
enum class TTypeArguments : uint8_t {
  None,
  PrecisionAndScale,  // optional `(` precision [`,` scale] `)`
  Length,             // required `(` length `)`
  OptionalLength,     // optional `(` length `)`
  Blob,               // required `(` first `,` kind `)`
};

struct DataTypeName {
  std::string_view name;
  TFieldType type;
  uint8_t subType;
  uint32_t size;  // 0 where arguments decide
  TTypeArguments arguments;
  std::string_view messageName;  // the type as its argument messages name it
};

constexpr std::array<DataTypeName, 18> kDataTypes{{
    {"SMALLINT", TFieldType::SmallInt, subtype::None, 2, TTypeArguments::None, ""},
    {"WORD", TFieldType::Word, subtype::None, 2, TTypeArguments::None, ""},
    {"INTEGER", TFieldType::Integer, subtype::None, 4, TTypeArguments::None, ""},
    {"INT", TFieldType::Integer, subtype::None, 4, TTypeArguments::None, ""},
    {"AUTOINC", TFieldType::Integer, subtype::AutoIncrement, 4, TTypeArguments::None, ""},
    {"MONEY", TFieldType::Float, subtype::Money, 8, TTypeArguments::None, ""},
    {"DATE", TFieldType::Date, subtype::None, 4, TTypeArguments::None, ""},
    {"TIME", TFieldType::Time, subtype::None, 4, TTypeArguments::None, ""},
    {"TIMESTAMP", TFieldType::TimeStamp, subtype::None, 8, TTypeArguments::None, ""},
    {"BOOLEAN", TFieldType::Boolean, subtype::None, 2, TTypeArguments::None, ""},
    {"DECIMAL", TFieldType::BCD, subtype::None, 8, TTypeArguments::PrecisionAndScale, "DECIMAL"},
    {"NUMERIC", TFieldType::Float, subtype::None, 8, TTypeArguments::PrecisionAndScale, "NUMERIC"},
    {"FLOAT", TFieldType::Float, subtype::None, 8, TTypeArguments::PrecisionAndScale, "FLOAT"},
    {"CHARACTER", TFieldType::String, subtype::None, 0, TTypeArguments::Length, "CHARACTER or CHAR"},
    {"CHAR", TFieldType::String, subtype::None, 0, TTypeArguments::Length, "CHARACTER or CHAR"},
    {"VARCHAR", TFieldType::String, subtype::None, 0, TTypeArguments::Length, "VARCHAR"},
    {"BYTES", TFieldType::Bytes, subtype::None, 0, TTypeArguments::OptionalLength, "CHARACTER"},
    {"BLOB", TFieldType::Blob, subtype::None, 0, TTypeArguments::Blob, "BLOB"},
}};

const FunctionName* FindFunction(const TExpressionParser& parser) {
  for (const FunctionName& f : kFunctions)
    if (parser.IsKeyword(f.name)) return &f;
  return nullptr;
}

}  // namespace

bool TExpressionParser::IsFunctionKeyword() const { return FindFunction(*this) != nullptr; }

// ParseFunction and the data type parsers recurse once per nesting level of the text: their
// messages are composed only where they are raised, so that their frames stay small.
TExpTree TExpressionParser::ParseFunction(TAllowances allowances) {
  const FunctionName& function = *FindFunction(*this);
  TExpTree node = TakeOperator(TNodeKind::Function, function.op);
  if (FKind != '(')
    RaiseTokenError({"Left parentheses expected", function.joinedLeftMessage ? "" : " ", "after ", function.name,
                     " keyword, instead found '"});
  NextToken();
  ParseFunctionArguments(*node, function.name, allowances);
  if (FKind != ')')
    RaiseTokenError({"Right parentheses expected after ", function.name, " function argument",
                     function.singleArgument ? "" : "s", ", instead found '"});
  NextToken();
  return node;
}

// Each function's arguments are read by a routine of its own, so that a nesting through one
// function stacks only that routine's frame.
void TExpressionParser::ParseFunctionArguments(TExpToken& node, std::string_view name, TAllowances allowances) {
  switch (node.Operator) {
    case Lower:
    case Upper:
    case Abs: return ParseSingleArgument(node, allowances);
    case Round: return ParseRoundArguments(node, allowances);
    case If: return ParseIfArguments(node, allowances);
    case Substring: return ParseSubstringArguments(node, allowances);
    case Replace: return ParseReplaceArguments(node, allowances);
    case Pos:
    case Occurs: return ParsePositionArguments(node, name, allowances);
    case Cast: return ParseCastArguments(node, allowances);
    case TrimBoth: return ParseTrimArguments(node, allowances);
    default: return ParseExtractArguments(node, allowances);
  }
}

// LOWER, UPPER (strings) and ABS (the argument's own type).
void TExpressionParser::ParseSingleArgument(TExpToken& node, TAllowances allowances) {
  node.First = ParseSum(allowances).release();
  if (node.Operator != Abs) {
    node.ValueType = kString;
    return;
  }
  node.ValueType = node.First->ValueType;
  node.SubType = node.First->SubType;
  node.Size = node.First->Size;
  node.Scale = node.First->Scale;
}

void TExpressionParser::ParseRoundArguments(TExpToken& node, TAllowances allowances) {
  node.First = ParseSum(allowances).release();
  if (IsKeyword("TO")) {
    NextToken();
    node.Second = ParseSum(allowances).release();
  }
  node.ValueType = kFloat;
  node.Size = 8;
}

void TExpressionParser::ParseIfArguments(TExpToken& node, TAllowances allowances) {
  node.First = ParseExpression(allowances).release();
  ExpectKeyword("THEN", "THEN keyword expected after first IF function argument, instead found '");
  node.Second = ParseSum(allowances).release();
  ExpectKeyword("ELSE", "ELSE keyword expected after second IF function argument, instead found '");
  node.Third = ParseSum(allowances).release();
}

void TExpressionParser::ParseSubstringArguments(TExpToken& node, TAllowances allowances) {
  node.First = ParseSum(allowances).release();
  ExpectKeyword("FROM", "FROM keyword expected after first SUBSTRING function argument, instead found '");
  node.Second = ParsePrimary(allowances).release();
  if (IsKeyword("FOR")) {
    NextToken();
    node.Second->Next = ParsePrimary(allowances).release();
  }
  node.ValueType = kString;
}

void TExpressionParser::ParseReplaceArguments(TExpToken& node, TAllowances allowances) {
  node.Second = ParseSum(allowances).release();
  ExpectKeyword("WITH", "WITH keyword expected after first REPLACE function argument, instead found '");
  node.Second->Next = ParseSum(allowances).release();
  ExpectKeyword("IN", "IN keyword expected after second REPLACE function argument, instead found '");
  node.First = ParsePrimary(allowances).release();
  node.ValueType = kString;
}

// POS and OCCURS.
void TExpressionParser::ParsePositionArguments(TExpToken& node, std::string_view name, TAllowances allowances) {
  node.Second = ParseSum(allowances).release();
  if (!IsKeyword("IN")) RaiseTokenError({"IN keyword expected after first ", name, " function argument, instead found '"});
  NextToken();
  node.First = ParsePrimary(allowances).release();
  node.ValueType = kInteger;
  node.Size = 4;
}

void TExpressionParser::ParseCastArguments(TExpToken& node, TAllowances allowances) {
  node.First = ParseExpression(allowances).release();
  ExpectKeyword("AS", "AS keyword expected after first CAST function argument, instead found '");
  ParseDataType(node, allowances, /*optional=*/false);
}

void TExpressionParser::ParseTrimArguments(TExpToken& node, TAllowances allowances) {
  if (IsKeyword("LEADING"))
    node.Operator = TrimLeading;
  else if (IsKeyword("TRAILING"))
    node.Operator = TrimTrailing;
  else if (!IsKeyword("BOTH"))
    RaiseTokenError("LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found '");
  NextToken();
  node.Second = ParsePrimary(allowances).release();
  ExpectKeyword("FROM", "FROM keyword expected after second TRIM function argument, instead found '");
  node.First = ParseSum(allowances).release();
  node.ValueType = kString;
}

void TExpressionParser::ParseExtractArguments(TExpToken& node, TAllowances allowances) {
  static constexpr std::pair<std::string_view, TOperator> kParts[] = {
      {"YEAR", ExtractYear},           {"MONTH", ExtractMonth}, {"DAY", ExtractDay},
      {"DAYOFWEEK", ExtractDayOfWeek}, {"HOUR", ExtractHour},   {"MINUTE", ExtractMinute},
      {"SECOND", ExtractSecond}};
  bool found = false;
  for (const auto& [part, op] : kParts)
    if (IsKeyword(part)) node.Operator = op, found = true;
  if (!found)
    RaiseTokenError(
        "YEAR, MONTH, DAY, DAYOFWEEK, HOUR, MINUTE, or SECOND keyword expected after EXTRACT keyword, instead "
        "found '");
  NextToken();
  ExpectKeyword("FROM", "FROM keyword expected after second EXTRACT function argument, instead found '");
  node.First = ParsePrimary(allowances).release();
  node.ValueType = kInteger;
  node.Size = 4;
}

TExpTree TExpressionParser::ParseAggregate(TAllowances allowances) {
  if (!(allowances & AllowAggregates)) RaiseClauseError("Aggregate functions are not allowed in ");
  TOperator op = Sum;
  for (auto [word, code] : {std::pair{"COUNT", Count}, {"MIN", Min}, {"MAX", Max}, {"AVG", Avg}})
    if (IsKeyword(word)) op = code;
  TExpTree node = TakeOperator(TNodeKind::Function, op);
  const std::string_view name = node->SourceText;
  if (FKind != '(')
    RaiseTokenError({"Left parentheses expectedafter aggregate function '", name, "', instead found '"});
  NextToken();
  if (op == Count && FKind == '*') {
    if (!(allowances & AllowAllColumns)) RaiseClauseError("* (all columns) symbol is not allowed in ");
    NextToken();
    TExpTree all = MakeNode(TNodeKind::Column, TOperator::None, "*");
    all->ColumnName = "*";
    node->First = all.release();
  } else {
    node->First = ParseSum(allowances).release();
  }
  if (FKind != ')')
    RaiseTokenError({"Right parentheses expected after aggregate ", name, " function argument, instead found '"});
  NextToken();
  return node;
}

bool TExpressionParser::ParseDataType(TExpToken& node, TAllowances allowances, bool optional) {
  const DataTypeName* type = nullptr;
  for (const DataTypeName& candidate : kDataTypes)
    if (IsKeyword(candidate.name)) type = &candidate;
  if (!type) {
    if (optional) return false;
    RaiseTokenError("SQL data type keyword expected, instead found '");
  }
  node.ValueType = static_cast<uint8_t>(type->type);
  node.SubType = type->subType;
  node.Size = type->size;
  NextToken();
  switch (type->arguments) {
    case TTypeArguments::None: break;
    case TTypeArguments::PrecisionAndScale:
      if (FKind == '(') ParseDataTypeArguments(node, allowances, type->messageName, false, true);
      break;
    case TTypeArguments::Length: ParseDataTypeArguments(node, allowances, type->messageName, true, false); break;
    case TTypeArguments::OptionalLength:
      if (FKind == '(') ParseDataTypeArguments(node, allowances, type->messageName, false, false);
      break;
    case TTypeArguments::Blob: ParseDataTypeArguments(node, allowances, type->messageName, true, true); break;
  }
  return true;
}

// `(` first [`,` second] `)`: the first argument hangs from the node's Second, the second from
// the first's Next. Two-argument types need their comma except DECIMAL, NUMERIC and FLOAT, whose
// scale is optional.
void TExpressionParser::ParseDataTypeArguments(TExpToken& node, TAllowances allowances, std::string_view name,
                                               bool required, bool twoArguments) {
  if (required) {
    if (FKind != '(') RaiseTokenError({"Left parentheses expected after ", name, " data type, instead found '"});
  }
  NextToken();
  node.Second = ParsePrimary(allowances).release();
  if (twoArguments) {
    const bool scaleOptional = name != "BLOB";
    if (FKind == ',') {
      NextToken();
      node.Second->Next = ParsePrimary(allowances).release();
    } else if (!scaleOptional || FKind != ')') {
      RaiseTokenError({"Comma expected after first ", name, " argument, instead found '"});
    }
  }
  if (FKind != ')')
    RaiseTokenError({"Right parentheses expected after ", name, " data type arguments, instead found '"});
  NextToken();
}

}  // namespace sklad
