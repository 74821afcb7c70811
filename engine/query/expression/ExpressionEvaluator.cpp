#include "ExpressionEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EvaluatorParts.h"
#include "LikeMatch.h"
#include "ValueAccess.h"
#include "engine/storage/EngineError.h"
#include "engine/storage/LanguageMaps.h"

namespace sklad {
namespace {

using T = TFieldType;

template <typename V>
int ThreeWay(V a, V b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

TExpTree CopyConstant(const TExpToken& node) {
  TExpTree value = ResultFor(node);
  const uint32_t size = std::min<uint32_t>(std::max<uint32_t>(node.Size, 1), static_cast<uint32_t>(node.Value.size()));
  value->Reserve(size);
  std::memcpy(value->Value.data(), node.Value.data(), size);
  value->IsNull = node.IsNull;
  value->IsParameter = node.IsParameter;
  return value;
}

TExpTree FetchColumn(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  if (node.ColumnName == "*") {  // all columns: no single value
    TExpTree value = ResultFor(node);
    SetNull(*value);
    return value;
  }
  if (!context.Fetcher)
    RaiseEngineError(err::SqlError, {}, {}, "Internal error: Column '" + node.ColumnName + "' specified illegally");
  TExpTree value = ResultFor(node);
  value->Kind = TNodeKind::Column;
  value->FieldNumber = node.FieldNumber;
  value->Source = node.Source;
  value->Reserve(node.Size + 1);
  context.Fetcher->Fetch(record, *value);
  value->Kind = TNodeKind::Constant;
  return value;
}

// = <> < > <= >= with the NULL rules: = holds for two NULLs, <> for exactly one; the others
// never hold with a NULL.
bool Compares(TOperator op, const TExpToken& left, const TExpToken& right, const TEvaluationContext& context,
              int partialLength = 0, bool caseInsensitive = false) {
  if (left.IsNull || right.IsNull) {
    if (op == TOperator::Equal) return left.IsNull && right.IsNull;
    if (op == TOperator::NotEqual) return left.IsNull != right.IsNull;
    return false;
  }
  const int order = CompareValues(left, right, context, partialLength, caseInsensitive);
  switch (op) {
    case TOperator::Equal: return order == 0;
    case TOperator::NotEqual: return order != 0;
    case TOperator::Greater: return order > 0;
    case TOperator::Less: return order < 0;
    case TOperator::GreaterOrEqual: return order >= 0;
    default: return order <= 0;
  }
}

bool IsTrue(const TExpToken& value) { return !value.IsNull && value.As<int16_t>() != 0; }

// The BCD scale of an arithmetic result: the left BCD operand's, else the right one's.
int ResultScale(const TExpToken& left, const TExpToken& right) {
  return TypeOf(left) == T::BCD ? left.Scale : right.Scale;
}

void ApplyBcd(TOperator op, const TExpToken& left, const TExpToken& right, TExpToken& result) {
  const __int128 a = ReadFixed(left), b = ReadFixed(right);
  __int128 fixed = 0;
  auto roundedDivision = [](__int128 n, __int128 d) {
    const __int128 q = n / d, r = n % d;
    return 2 * (r < 0 ? -r : r) >= (d < 0 ? -d : d) ? q + ((n < 0) != (d < 0) ? -1 : 1) : q;
  };
  switch (op) {
    case TOperator::Add: fixed = a + b; break;
    case TOperator::Subtract: fixed = a - b; break;
    case TOperator::Multiply: fixed = roundedDivision(a * b, kFixedOne); break;
    default:
      if (b == 0) return SetNull(result);
      fixed = roundedDivision(a * kFixedOne, b);
      break;
  }
  if (fixed > INT64_MAX || fixed < INT64_MIN) return SetNull(result);
  SetFixed(result, static_cast<int64_t>(fixed), ResultScale(left, right));
}

void ApplyArithmetic(const TExpToken& node, const TExpToken& left, const TExpToken& right, TExpToken& result) {
  const TOperator op = node.Operator;
  const T type = TypeOf(node);
  if (type == T::String || type == T::Blob) {  // concatenation; a NULL string reads as empty
    const std::string_view a = left.IsNull ? std::string_view() : ReadText(left);
    const std::string_view b = right.IsNull ? std::string_view() : ReadText(right);
    result.Reserve(static_cast<uint32_t>(a.size() + b.size() + 1));
    if (!a.empty()) std::memcpy(result.Value.data(), a.data(), a.size());
    if (!b.empty()) std::memcpy(result.Value.data() + a.size(), b.data(), b.size());
    result.Value[a.size() + b.size()] = 0;
    result.IsNull = a.empty() && b.empty();
    return;
  }
  if (left.IsNull || right.IsNull) return SetNull(result);
  const T l = TypeOf(left), r = TypeOf(right);
  const int64_t sign = op == TOperator::Subtract ? -1 : 1;
  switch (type) {
    case T::Float: {
      const double a = IsTemporal(l) ? ReadMoment(left) : ReadFloat(left);
      const double b = IsTemporal(r) ? ReadMoment(right) : ReadFloat(right);
      if (op == TOperator::Divide) return b == 0 ? SetNull(result) : SetFloat(result, a / b);
      return SetFloat(result, op == TOperator::Multiply ? a * b : a + sign * b);
    }
    case T::BCD:
      return ApplyBcd(op, left, right, result);
    case T::Date:
      return SetDate(result, l == T::Date ? left.As<int32_t>() + sign * ReadInteger(right)
                                          : ReadInteger(left) + right.As<int32_t>());
    case T::Time:
      return SetTime(result, l == T::Time ? left.As<int32_t>() + sign * ReadInteger(right)
                                          : ReadInteger(left) + right.As<int32_t>());
    case T::TimeStamp: {
      const bool leftStamp = l == T::TimeStamp;
      const double stamp = leftStamp ? left.As<double>() : right.As<double>();
      const int64_t days = leftStamp ? sign * ReadInteger(right) : ReadInteger(left);
      return SetTimeStamp(result, stamp + static_cast<double>(days) * kMillisecondsPerDay);
    }
    default:
      break;
  }
  // Integer results, 32-bit (or 16-bit word) wrapping arithmetic.
  int64_t value;
  if (l == T::Date && r == T::Date) {
    value = int64_t{left.As<int32_t>()} - right.As<int32_t>();
  } else if (l == T::Time && r == T::Time) {
    value = int64_t{left.As<int32_t>()} - right.As<int32_t>();
  } else if (l == T::TimeStamp && r == T::Date) {  // whole days between the two
    value = SaturatingInteger(left.As<double>() / kMillisecondsPerDay) - right.As<int32_t>();
  } else if (l == T::TimeStamp && r == T::Time) {  // milliseconds between the times of day
    value = SaturatingInteger(std::fmod(left.As<double>(), kMillisecondsPerDay)) - right.As<int32_t>();
  } else {
    const uint64_t a = static_cast<uint64_t>(ReadInteger(left)), b = static_cast<uint64_t>(ReadInteger(right));
    value = static_cast<int64_t>(op == TOperator::Multiply ? a * b : op == TOperator::Subtract ? a - b : a + b);
  }
  SetInteger(result, type, value);
}

// Unary minus and plus; NOT and the IS NULL tests are conditions.
TExpTree EvaluateSign(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue operand(*node.First, record, context);
  TExpTree result = ResultFor(node);
  if (operand->IsNull) {
    SetNull(*result);
  } else if (node.Operator == TOperator::UnaryPlus) {
    result = operand.Take(*node.First, record, context);
  } else {
    switch (TypeOf(*operand)) {
      case T::Float: SetFloat(*result, -operand->As<double>()); break;
      case T::TimeStamp: SetTimeStamp(*result, -operand->As<double>()); break;
      case T::BCD: SetFixed(*result, -ReadFixed(*operand), operand->Scale); break;
      case T::Date: SetDate(*result, -int64_t{operand->As<int32_t>()}); break;
      case T::Time: SetTime(*result, -int64_t{operand->As<int32_t>()}); break;
      default: SetInteger(*result, TypeOf(*operand), -ReadInteger(*operand)); break;
    }
  }
  return result;
}

TExpTree EvaluateArithmetic(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TExpTree result = ResultFor(node);
  TOperandValue left(*node.First, record, context);
  TOperandValue right(*node.Second, record, context);
  ApplyArithmetic(node, *left, *right, *result);
  return result;
}

bool ComparisonHolds(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue left(*node.First, record, context);
  TOperandValue right(*node.Second, record, context);
  const bool collated = node.Kind == TNodeKind::CollatedComparison;
  return Compares(node.Operator, *left, *right, context, collated ? node.PartialLength : 0,
                  collated && node.CaseInsensitive);
}

bool PredicateHolds(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue subject(*node.First, record, context);
  bool holds = false;
  switch (node.Operator) {
    case TOperator::Like:
    case TOperator::NotLike: {
      TOperandValue pattern(*node.Second, record, context);
      holds = !subject->IsNull && !pattern->IsNull &&
              LikeMatches(ReadText(*subject), ReadText(*pattern), context.Language, context.Sort);
      break;
    }
    case TOperator::Between:
    case TOperator::NotBetween: {
      TOperandValue low(*node.Second, record, context);
      if (Compares(TOperator::GreaterOrEqual, *subject, *low, context)) {
        TOperandValue high(*node.Second->Next, record, context);
        holds = Compares(TOperator::LessOrEqual, *subject, *high, context);
      }
      break;
    }
    case TOperator::InSelect:
    case TOperator::NotInSelect: {
      auto* query = dynamic_cast<TEvaluatedSubQuery*>(node.Second->SubQuery);
      holds = query && query->Contains(*subject);
      break;
    }
    default:  // IN list
      for (const TExpToken* item = node.Second; item && !holds; item = item->Next) {
        TOperandValue value(*item, record, context);
        holds = Compares(TOperator::Equal, *subject, *value, context);
      }
      break;
  }
  const bool negated = node.Operator == TOperator::NotLike || node.Operator == TOperator::NotBetween ||
                       node.Operator == TOperator::NotIn || node.Operator == TOperator::NotInSelect;
  return holds != negated;
}

// Nodes whose value is a condition: comparisons, AND, OR, NOT, IS NULL and the predicates.
bool IsCondition(const TExpToken& node) {
  switch (node.Kind) {
    case TNodeKind::UnaryOperator: return node.Operator == TOperator::Not || node.Operator == TOperator::IsNull ||
                                          node.Operator == TOperator::IsNotNull;
    case TNodeKind::BinaryOperator:
      return node.IsComparison() || node.Operator == TOperator::And || node.Operator == TOperator::Or;
    case TNodeKind::CollatedComparison:
    case TNodeKind::Predicate: return true;
    default: return false;
  }
}

}  // namespace

TExpTree ResultFor(const TExpToken& node) {
  TExpTree value = TakeNode();
  value->Kind = TNodeKind::Constant;
  value->ValueType = node.ValueType;
  value->SubType = node.SubType;
  value->Size = node.Size;
  value->Scale = node.Scale;
  return value;
}

int CompareValues(const TExpToken& left, const TExpToken& right, const TEvaluationContext& context,
                  int partialLength, bool caseInsensitive) {
  const T l = TypeOf(left), r = TypeOf(right);
  if (IsText(left) && IsText(right))
    return CompareStrings(context.Language, context.Sort, caseInsensitive, ReadText(left), ReadText(right),
                          partialLength);
  if (IsNumeric(l) && IsNumeric(r)) {
    if (l == T::Float || r == T::Float) return ThreeWay(ReadFloat(left), ReadFloat(right));
    if (l == T::BCD || r == T::BCD) return ThreeWay(ReadFixed(left), ReadFixed(right));
    return ThreeWay(ReadInteger(left), ReadInteger(right));
  }
  if (l == r && (l == T::Date || l == T::Time)) return ThreeWay(left.As<int32_t>(), right.As<int32_t>());
  if (IsTemporal(l) && IsTemporal(r)) return ThreeWay(ReadMoment(left), ReadMoment(right));
  if (l == T::Boolean && r == T::Boolean) return ThreeWay(left.As<int16_t>() != 0, right.As<int16_t>() != 0);
  const size_t size = std::min({left.Size, right.Size, static_cast<uint32_t>(left.Value.size()),
                                static_cast<uint32_t>(right.Value.size())});
  const int bytes = std::memcmp(left.Value.data(), right.Value.data(), size);
  return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

TExpTree Evaluate(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  switch (node.Kind) {
    case TNodeKind::Constant: return CopyConstant(node);
    case TNodeKind::Column: return FetchColumn(node, record, context);
    case TNodeKind::UnaryOperator:
    case TNodeKind::BinaryOperator:
    case TNodeKind::CollatedComparison:
    case TNodeKind::Predicate: {
      if (node.Kind == TNodeKind::UnaryOperator && !IsCondition(node)) return EvaluateSign(node, record, context);
      if (node.Kind == TNodeKind::BinaryOperator && !IsCondition(node)) return EvaluateArithmetic(node, record, context);
      TExpTree result = ResultFor(node);
      SetBoolean(*result, ConditionHolds(node, record, context));
      return result;
    }
    case TNodeKind::Function: return EvaluateFunction(node, record, context);
    default: {
      TExpTree value = ResultFor(node);
      SetNull(*value);
      return value;
    }
  }
}

bool ConditionHolds(const TExpToken& condition, const uint8_t* record, const TEvaluationContext& context) {
  switch (condition.Kind) {
    case TNodeKind::Constant: return IsTrue(condition);
    case TNodeKind::Predicate: return PredicateHolds(condition, record, context);
    case TNodeKind::CollatedComparison: return ComparisonHolds(condition, record, context);
    case TNodeKind::UnaryOperator:
      if (condition.Operator == TOperator::Not) return !ConditionHolds(*condition.First, record, context);
      if (condition.Operator == TOperator::IsNull || condition.Operator == TOperator::IsNotNull)
        return TOperandValue(*condition.First, record, context)->IsNull == (condition.Operator == TOperator::IsNull);
      break;
    case TNodeKind::BinaryOperator:
      if (condition.IsComparison()) return ComparisonHolds(condition, record, context);
      if (condition.Operator == TOperator::And || condition.Operator == TOperator::Or) {
        // The right operand first; the left one only when the right did not decide.
        const bool right = ConditionHolds(*condition.Second, record, context);
        const bool decided = condition.Operator == TOperator::And ? !right : right;
        return decided ? right : ConditionHolds(*condition.First, record, context);
      }
      break;
    default:
      break;
  }
  return IsTrue(*Evaluate(condition, record, context));
}

}  // namespace sklad
