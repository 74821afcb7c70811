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

struct DataTypeName {
  std::string_view name;
  TFieldType type;
  uint8_t subType;
  uint32_t size;  // 0 where arguments decide
};

constexpr std::array<DataTypeName, 18> kDataTypes{{
    {"SMALLINT", TFieldType::SmallInt, subtype::None, 2},
    {"WORD", TFieldType::Word, subtype::None, 2},
    {"INTEGER", TFieldType::Integer, subtype::None, 4},
    {"INT", TFieldType::Integer, subtype::None, 4},
    {"AUTOINC", TFieldType::Integer, subtype::AutoIncrement, 4},
    {"MONEY", TFieldType::Float, subtype::Money, 8},
    {"DATE", TFieldType::Date, subtype::None, 4},
    {"TIME", TFieldType::Time, subtype::None, 4},
    {"TIMESTAMP", TFieldType::TimeStamp, subtype::None, 8},
    {"BOOLEAN", TFieldType::Boolean, subtype::None, 2},
    {"DECIMAL", TFieldType::BCD, subtype::None, 8},
    {"NUMERIC", TFieldType::Float, subtype::None, 8},
    {"FLOAT", TFieldType::Float, subtype::None, 8},
    {"CHARACTER", TFieldType::String, subtype::None, 0},
    {"CHAR", TFieldType::String, subtype::None, 0},
    {"VARCHAR", TFieldType::String, subtype::None, 0},
    {"BYTES", TFieldType::Bytes, subtype::None, 0},
    {"BLOB", TFieldType::Blob, subtype::None, 0},
}};

const FunctionName* FindFunction(const TExpressionParser& parser) {
  for (const FunctionName& f : kFunctions)
    if (parser.IsKeyword(f.name)) return &f;
  return nullptr;
}

}  // namespace

bool TExpressionParser::IsFunctionKeyword() const { return FindFunction(*this) != nullptr; }

TExpTree TExpressionParser::ParseFunction(TAllowances allowances) {
  const FunctionName& function = *FindFunction(*this);
  const std::string name(function.name);
  TExpTree node = MakeNode(TNodeKind::Function, function.op, TokenText());
  NextToken();
  Expect('(', "Left parentheses expected" + std::string(function.joinedLeftMessage ? "" : " ") + "after " + name +
                  " keyword, instead found '");
  auto keyword = [&](std::string_view word, const std::string& prefix) { ExpectKeyword(word, prefix); };

  switch (function.op) {
    case Lower:
    case Upper:
      node->First = ParseSum(allowances).release();
      node->ValueType = kString;
      break;
    case Abs: {
      TExpTree value = ParseSum(allowances);
      node->ValueType = value->ValueType;
      node->SubType = value->SubType;
      node->Size = value->Size;
      node->Scale = value->Scale;
      node->First = value.release();
      break;
    }
    case Round:
      node->First = ParseSum(allowances).release();
      if (IsKeyword("TO")) {
        NextToken();
        node->Second = ParseSum(allowances).release();
      }
      node->ValueType = kFloat;
      node->Size = 8;
      break;
    case If:
      node->First = ParseExpression(allowances).release();
      keyword("THEN", "THEN keyword expected after first IF function argument, instead found '");
      node->Second = ParseSum(allowances).release();
      keyword("ELSE", "ELSE keyword expected after second IF function argument, instead found '");
      node->Third = ParseSum(allowances).release();
      break;
    case Substring: {
      node->First = ParseSum(allowances).release();
      keyword("FROM", "FROM keyword expected after first SUBSTRING function argument, instead found '");
      TExpTree from = ParsePrimary(allowances);
      if (IsKeyword("FOR")) {
        NextToken();
        from->Next = ParsePrimary(allowances).release();
      }
      node->Second = from.release();
      node->ValueType = kString;
      break;
    }
    case Replace: {
      TExpTree search = ParseSum(allowances);
      keyword("WITH", "WITH keyword expected after first REPLACE function argument, instead found '");
      search->Next = ParseSum(allowances).release();
      node->Second = search.release();
      keyword("IN", "IN keyword expected after second REPLACE function argument, instead found '");
      node->First = ParsePrimary(allowances).release();
      node->ValueType = kString;
      break;
    }
    case Pos:
    case Occurs:
      node->Second = ParseSum(allowances).release();
      keyword("IN", "IN keyword expected after first " + name + " function argument, instead found '");
      node->First = ParsePrimary(allowances).release();
      node->ValueType = kInteger;
      node->Size = 4;
      break;
    case Cast:
      node->First = ParseExpression(allowances).release();
      keyword("AS", "AS keyword expected after first CAST function argument, instead found '");
      ParseDataType(*node, allowances, /*optional=*/false);
      break;
    case TrimBoth: {
      if (IsKeyword("LEADING"))
        node->Operator = TrimLeading;
      else if (IsKeyword("TRAILING"))
        node->Operator = TrimTrailing;
      else if (!IsKeyword("BOTH"))
        RaiseTokenError("LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found '");
      NextToken();
      node->Second = ParsePrimary(allowances).release();
      keyword("FROM", "FROM keyword expected after second TRIM function argument, instead found '");
      node->First = ParseSum(allowances).release();
      node->ValueType = kString;
      break;
    }
    default: {  // EXTRACT
      constexpr std::pair<std::string_view, TOperator> kParts[] = {
          {"YEAR", ExtractYear},     {"MONTH", ExtractMonth},   {"DAY", ExtractDay},
          {"DAYOFWEEK", ExtractDayOfWeek}, {"HOUR", ExtractHour}, {"MINUTE", ExtractMinute},
          {"SECOND", ExtractSecond}};
      bool found = false;
      for (const auto& [part, op] : kParts)
        if (IsKeyword(part)) node->Operator = op, found = true;
      if (!found)
        RaiseTokenError(
            "YEAR, MONTH, DAY, DAYOFWEEK, HOUR, MINUTE, or SECOND keyword expected after EXTRACT keyword, instead "
            "found '");
      NextToken();
      keyword("FROM", "FROM keyword expected after second EXTRACT function argument, instead found '");
      node->First = ParsePrimary(allowances).release();
      node->ValueType = kInteger;
      node->Size = 4;
      break;
    }
  }
  Expect(')', "Right parentheses expected after " + name + " function argument" +
                  (function.singleArgument ? "" : "s") + ", instead found '");
  return node;
}

TExpTree TExpressionParser::ParseAggregate(TAllowances allowances) {
  if (!(allowances & AllowAggregates)) RaiseClauseError("Aggregate functions are not allowed in ");
  const std::string name = TokenText();
  TOperator op = Sum;
  for (auto [word, code] : {std::pair{"COUNT", Count}, {"MIN", Min}, {"MAX", Max}, {"AVG", Avg}})
    if (IsKeyword(word)) op = code;
  TExpTree node = MakeNode(TNodeKind::Function, op, name);
  NextToken();
  if (FKind != '(')
    RaiseError("Left parentheses expectedafter aggregate function '" + name + "', instead found '" + TokenText() +
               "' in " + FClause);
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
    RaiseError("Right parentheses expected after aggregate " + name + " function argument, instead found '" +
               TokenText() + "' in " + FClause);
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
  const std::string name(type->name);
  NextToken();
  if (name == "DECIMAL" || name == "NUMERIC" || name == "FLOAT") {
    if (FKind == '(') ParseDataTypeArguments(node, allowances, name, false, true);
  } else if (name == "CHARACTER" || name == "CHAR" || name == "VARCHAR") {
    ParseDataTypeArguments(node, allowances, name == "VARCHAR" ? "VARCHAR" : "CHARACTER or CHAR", true, false);
  } else if (name == "BYTES") {
    if (FKind == '(') ParseDataTypeArguments(node, allowances, "CHARACTER", false, false);
  } else if (name == "BLOB") {
    ParseDataTypeArguments(node, allowances, name, true, true);
  }
  return true;
}

// `(` first [`,` second] `)`: the first argument hangs from the node's Second, the second from
// the first's Next. Two-argument types need their comma except DECIMAL, NUMERIC and FLOAT, whose
// scale is optional.
void TExpressionParser::ParseDataTypeArguments(TExpToken& node, TAllowances allowances, std::string_view name,
                                               bool required, bool twoArguments) {
  const std::string type(name);
  if (required) Expect('(', "Left parentheses expected after " + type + " data type, instead found '");
  else NextToken();
  TExpTree first = ParsePrimary(allowances);
  if (twoArguments) {
    const bool scaleOptional = type != "BLOB";
    if (FKind == ',') {
      NextToken();
      first->Next = ParsePrimary(allowances).release();
    } else if (!scaleOptional || FKind != ')') {
      RaiseTokenError("Comma expected after first " + type + " argument, instead found '");
    }
  }
  node.Second = first.release();
  Expect(')', "Right parentheses expected after " + type + " data type arguments, instead found '");
}

}  // namespace sklad
