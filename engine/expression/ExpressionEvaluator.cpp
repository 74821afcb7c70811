#include "ExpressionEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EvaluatorParts.h"
#include "LikeMatch.h"
#include "OperatorRuns.h"
#include "ValueAccess.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageMaps.h"

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
        // The right operand first; the left one only when the right did not decide. Through a run
        // of the same operator that is its operands from right to left, up to the first that
        // decides.
        const bool deciding = condition.Operator == TOperator::Or;
        const TRunKind run = RunKindOf(condition);
        const bool undecided = EachRunOperand(
            condition, [&](const TExpToken& node) { return ContinuesRun(run, &node); },
            [&](const TExpToken& operand) { return ConditionHolds(operand, record, context) != deciding; },
            /*backwards=*/true);
        return undecided != deciding;
      }
      break;
    default:
      break;
  }
  return IsTrue(*Evaluate(condition, record, context));
}

}  // namespace sklad
