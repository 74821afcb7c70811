// TExpressionBinder's rules for functions, aggregates, predicates, CAST and data types.
#include <algorithm>

#include "ExpressionBinder.h"
#include "OperatorTypes.h"
#include "ValueClasses.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using T = TFieldType;

bool IsConstant(const TExpToken* node) { return node && node->Kind == TNodeKind::Constant && !node->IsParameter; }

bool IsIntegerConstant(const TExpToken* node) { return IsConstant(node) && !node->IsNull && IsInteger(TypeOf(*node)); }

bool IsStringConstant(const TExpToken* node) { return IsConstant(node) && TypeOf(*node) == T::String; }

int64_t IntegerValue(const TExpToken& node) {
  switch (TypeOf(node)) {
    case T::SmallInt: return node.As<int16_t>();
    case T::Word: return node.As<uint16_t>();
    default: return node.As<int32_t>();
  }
}

// A constant or a parameter, or a sign over a constant.
bool IsConstantValue(const TExpToken& node) {
  return node.Kind == TNodeKind::Constant || (node.Kind == TNodeKind::UnaryOperator &&
                                              node.Operator != TOperator::Not && IsConstant(node.First));
}

void SetType(TExpToken& node, T type, uint8_t subType, uint32_t size, uint8_t scale) {
  node.ValueType = static_cast<uint8_t>(type);
  node.SubType = subType;
  node.Size = size;
  node.Scale = scale;
}

void CopyType(TExpToken& node, const TExpToken& from) { SetType(node, TypeOf(from), from.SubType, from.Size, from.Scale); }

// The sources a CAST to the target admits.
bool CastAdmits(T target, T source) {
  switch (target) {
    case T::String:
    case T::Bytes: return source != T::Blob;
    case T::Date: return source == T::String || source == T::Date || source == T::Bytes || source == T::TimeStamp;
    case T::Blob: return source == T::Blob;
    case T::Boolean:
      return source == T::String || source == T::Boolean || source == T::SmallInt || source == T::Integer ||
             source == T::BCD || source == T::Bytes || source == T::Word;
    case T::SmallInt:
    case T::Word:
      return source == T::String || source == T::Boolean || IsNumeric(source) || source == T::Bytes;
    case T::Integer:
    case T::Float:
    case T::BCD: return source == T::String || IsNumeric(source) || source == T::Bytes;
    case T::Time: return source == T::String || source == T::Bytes || source == T::Time || source == T::TimeStamp;
    case T::TimeStamp:
      return source == T::String || source == T::Date || source == T::Bytes || source == T::Time ||
             source == T::TimeStamp;
    default: return false;
  }
}

std::string FunctionName(TOperator op) {
  switch (op) {
    case TOperator::Lower: return "LOWER";
    case TOperator::Upper: return "UPPER";
    case TOperator::Pos: return "POS";
    case TOperator::Occurs: return "OCCURS";
    case TOperator::Sum: return "SUM";
    case TOperator::Min: return "MIN";
    case TOperator::Max: return "MAX";
    case TOperator::Avg: return "AVG";
    default: return "";
  }
}

}  // namespace

void TExpressionBinder::BindFunction(TExpToken& node) {
  const TOperator op = node.Operator;
  if (op == TOperator::If) return BindIf(node);
  if (op == TOperator::Cast) return BindCast(node);
  // The other functions' arguments: First, then Second and the items that follow it.
  BindNode(node.First, &node, false);
  for (TExpToken** link = &node.Second; *link; link = &(*link)->Next) {
    BindNode(*link, &node, false);
    if ((*link)->ResolvedFromString) RestoreStringConstant(**link);  // these arguments are constants
  }
  TExpToken& argument = *node.First;
  switch (op) {
    case TOperator::Lower:
    case TOperator::Upper:
      if (!IsText(argument)) RaiseIn("Type mismatch between " + FunctionName(op) + " function and function argument");
      SetType(node, TypeOf(argument), argument.SubType, argument.Size, 0);
      break;
    case TOperator::Substring: {
      if (!IsText(argument)) RaiseIn("Expression argument of SUBSTRING function must be a string or memo");
      const TExpToken* from = node.Second;
      if (!IsIntegerConstant(from)) RaiseIn("FROM argument of SUBSTRING function must be an integer constant");
      const int64_t start = IntegerValue(*from);
      if (start < 1) RaiseIn("FROM argument of SUBSTRING function must be an integer constant greater than 0");
      int64_t size = static_cast<int64_t>(argument.Size) - start + 1;
      if (const TExpToken* count = from->Next) {
        if (!IsIntegerConstant(count)) RaiseIn("FOR argument of SUBSTRING function must be an integer constant");
        if (IntegerValue(*count) < 1)
          RaiseIn("FOR argument of SUBSTRING function must be an integer constant greater than 0");
        size = std::min<int64_t>(IntegerValue(*count) + 1, std::max<int64_t>(argument.Size, 1));
      }
      // A start past the argument's end leaves room for the empty result only.
      SetType(node, TypeOf(argument), argument.SubType, static_cast<uint32_t>(std::max<int64_t>(size, 1)), 0);
      break;
    }
    case TOperator::Replace:
      if (!IsText(argument)) RaiseIn("IN argument of REPLACE function must be a string or memo");
      if (!IsStringConstant(node.Second)) RaiseIn("Search argument of REPLACE function must be a string constant");
      if (!IsStringConstant(node.Second->Next))
        RaiseIn("WITH argument of REPLACE function must be a string constant");
      SetType(node, TypeOf(argument), argument.SubType, argument.Size, 0);
      break;
    case TOperator::Pos:
    case TOperator::Occurs:
      if (!IsText(argument)) RaiseIn("Type mismatch between " + FunctionName(op) + " function and IN argument");
      if (!IsStringConstant(node.Second))
        RaiseIn("Search string argument of " + FunctionName(op) + " function must be a string constant");
      SetType(node, T::Integer, subtype::None, 4, 0);
      break;
    case TOperator::TrimLeading:
    case TOperator::TrimTrailing:
    case TOperator::TrimBoth:
      if (!IsText(argument)) RaiseIn("FROM argument of TRIM function must be a string or memo");
      if (!IsStringConstant(node.Second) || node.Second->IsNull || node.Second->Size != 2)
        RaiseIn("Trim character argument of TRIM function must be a single character constant");
      SetType(node, TypeOf(argument), argument.SubType, argument.Size, 0);
      break;
    case TOperator::Abs:
      if (!IsNumeric(TypeOf(argument)))
        RaiseIn("Expression argument of ABS function must be an integer or floating-point type");
      CopyType(node, argument);
      break;
    case TOperator::Round:
      if (TypeOf(argument) != T::Float && TypeOf(argument) != T::BCD)
        RaiseIn("Expression argument of ROUND function must be a floating-point type");
      if (const TExpToken* places = node.Second) {
        if (!IsIntegerConstant(places)) RaiseIn("Decimal places argument of ROUND function must be an integer constant");
        if (IntegerValue(*places) < 0 || IntegerValue(*places) > 32)
          RaiseIn("Decimal places argument of ROUND function must be an integer constant between 0 and 32");
      }
      SetType(node, T::Float, subtype::None, 8, 0);
      break;
    default:  // EXTRACT
      if (!IsTemporal(TypeOf(argument)))
        RaiseIn("FROM argument of EXTRACT function must be a date, time, or timestamp");
      SetType(node, T::Integer, subtype::None, 4, 0);
      break;
  }
}

void TExpressionBinder::BindIf(TExpToken& node) {
  BindNode(node.First, &node, true);
  BindNode(node.Second, &node, false);
  BindNode(node.Third, &node, false);
  if (TypeOf(*node.First) != T::Boolean) RaiseIn("First expression argument of IF function must be a boolean type");
  TExpToken& yes = *node.Second;
  TExpToken& no = *node.Third;
  if (IsNullConstant(yes) && IsNullConstant(no))
    Raise("At least one of the second and third IF expression arguments in " + FClause + " must be a non-NULL value");
  if (IsNullConstant(yes)) CopyType(yes, no);
  if (IsNullConstant(no)) CopyType(no, yes);
  if (yes.ValueType != no.ValueType || yes.SubType != no.SubType)
    RaiseIn("Type mismatch between second and third IF expression arguments");
  SetType(node, TypeOf(yes), yes.SubType, std::max(yes.Size, no.Size), std::max(yes.Scale, no.Scale));
}

void TExpressionBinder::BindCast(TExpToken& node) {
  BindNode(node.First, &node, false);
  const TExpToken& source = *node.First;
  if (!IsNullConstant(source) && !CastAdmits(TypeOf(node), TypeOf(source)))
    RaiseIn("Type mismatch between " + KindWord(source) + " '" + source.SourceText + "' and AS argument");
  BindDataType(node, &source);
}

void TExpressionBinder::BindDataType(TExpToken& node, const TExpToken* source) {
  const TExpToken* first = node.Second;
  const TExpToken* second = first ? first->Next : nullptr;
  const uint32_t sourceSize = source && source->Size ? source->Size : 0;
  auto length = [&](uint32_t otherwise) -> int64_t {
    if (!first) return otherwise;
    if (!IsIntegerConstant(first)) RaiseIn("Length argument must be an integer");
    const int64_t n = IntegerValue(*first);
    if (n < 1 || n > kMaxDeclaredSize)
      RaiseIn("Length argument must be an integer greater than 0 and less than or equal to 250");
    return n;
  };
  switch (TypeOf(node)) {
    case T::String:
      node.Size = static_cast<uint32_t>(first ? length(0) + 1 : (sourceSize ? sourceSize : 10));
      break;
    case T::Bytes:
      node.Size = static_cast<uint32_t>(length(sourceSize ? sourceSize : 10));
      break;
    case T::Float:
    case T::BCD:
      node.Size = 8;
      node.Scale = 0;
      if (second) {
        if (!IsIntegerConstant(second)) RaiseIn("Scale argument must be an integer");
        const int64_t scale = IntegerValue(*second);
        if (TypeOf(node) == T::BCD && (scale < 0 || scale > 4))
          Raise("Scale argument must be an integer less than or equal to 4 for the BCD data type " + FClause);
        node.Scale = static_cast<uint8_t>(std::clamp<int64_t>(scale, 0, 255));
      }
      break;
    case T::Blob: {
      if (!IsIntegerConstant(first) || IntegerValue(*first) != 0)
        RaiseIn("First BLOB type argument must be an integer with the value of 0");
      if (!IsIntegerConstant(second)) RaiseIn("BLOB type argument must be an integer");
      const int64_t kind = IntegerValue(*second);
      if (kind != 1 && kind != 2 && kind != 3 && kind != 5 && kind != 7)
        RaiseIn("BLOB type argument must be an integer equal to 1,2,3,5, or 7");
      node.SubType = static_cast<uint8_t>(21 + kind);
      node.Size = sourceSize;
      break;
    }
    default:
      node.Size = static_cast<uint32_t>(StoredSize(TypeOf(node), 0));
      break;
  }
}

void TExpressionBinder::BindAggregate(TExpToken& node) {
  BindNode(node.First, &node, false);
  const TExpToken& argument = *node.First;
  if (node.Operator == TOperator::Count) {
    SetType(node, T::Integer, subtype::None, 4, 0);
    return;
  }
  if (!IsNumeric(TypeOf(argument)) && !IsTemporal(TypeOf(argument)))
    RaiseIn(FunctionName(node.Operator) +
            " aggregate function must contain a numeric, date, time, or timestamp expression");
  CopyType(node, argument);
}

// A bound of BETWEEN, an item of IN, or the pattern of LIKE: a constant (a string constant that
// names a column stays a constant here) compatible with the subject.
void TExpressionBinder::BindPredicateValue(TExpToken& subject, TExpToken*& value, const std::string& operatorName) {
  BindNode(value, nullptr, false);
  if (value->ResolvedFromString) RestoreStringConstant(*value);
  if (!IsConstantValue(*value))
    RaiseIn("Constant expression expected after " + operatorName + " operator, instead found '" + value->SourceText +
            "'");
  if (IsStringConstant(value) && !value->IsNull && IsTemporal(TypeOf(subject)))
    ConvertTemporalConstant(*value, TypeOf(subject));
  if (value->IsParameter && value->ValueType == 0) CopyType(*value, subject);
}

void TExpressionBinder::BindPredicate(TExpToken& node) {
  const TOperator op = node.Operator;
  BindNode(node.First, &node, false);
  TExpToken& subject = *node.First;
  std::string name = node.SourceText;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  auto mismatch = [&](const TExpToken& with) {
    RaiseIn("Type mismatch between " + name + " operator and expression '" + with.SourceText + "'");
  };

  if (op == TOperator::Like || op == TOperator::NotLike) {
    if (!IsText(subject)) mismatch(subject);
    BindPredicateValue(subject, node.Second, name);
    if (!IsText(*node.Second) && !IsNullConstant(*node.Second)) mismatch(*node.Second);
  } else if (op == TOperator::InSelect || op == TOperator::NotInSelect) {
    BindNode(node.Second, &node, false);
    if (!OperandsCompatible(TOperator::Equal, subject, *node.Second))
      RaiseIn("Type mismatch between  operator and expression '" + node.Second->SourceText + "'");
  } else {  // BETWEEN bounds and IN items
    for (TExpToken** link = &node.Second; *link; link = &(*link)->Next) {
      BindPredicateValue(subject, *link, name);
      (*link)->Parent = &node;
      if (!OperandsCompatible(TOperator::Equal, subject, **link)) mismatch(**link);
    }
  }
  SetType(node, T::Boolean, subtype::None, 2, 0);
}

}  // namespace sklad
