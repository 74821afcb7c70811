// Arithmetic: unary minus and plus, and runs of +, -, *, / and || with their values.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "EvaluatorParts.h"
#include "OperatorRuns.h"
#include "ValueAccess.h"

namespace sklad {
namespace {

using T = TFieldType;

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

bool IsConcatenation(const TExpToken& node) { return TypeOf(node) == T::String || TypeOf(node) == T::Blob; }

size_t TextLength(const TExpToken& value) { return value.IsNull ? 0 : ReadText(value).size(); }

// Strings and memos joined; a NULL string reads as empty. The result may be the left value itself,
// which then has the right one appended; the left text's length is given. Answers the length of
// the joined text.
size_t Concatenate(const TExpToken& left, size_t leftLength, const TExpToken& right, TExpToken& result) {
  const std::string_view b = right.IsNull ? std::string_view() : ReadText(right);
  result.Reserve(static_cast<uint32_t>(leftLength + b.size() + 1));
  if (&result != &left && leftLength > 0) std::memcpy(result.Value.data(), left.Value.data(), leftLength);
  if (!b.empty()) std::memcpy(result.Value.data() + leftLength, b.data(), b.size());
  result.Value[leftLength + b.size()] = 0;
  result.IsNull = leftLength == 0 && b.empty();
  return leftLength + b.size();
}

}  // namespace

void ApplyArithmetic(const TExpToken& node, const TExpToken& left, const TExpToken& right, TExpToken& result) {
  const TOperator op = node.Operator;
  const T type = TypeOf(node);
  if (IsConcatenation(node)) {
    Concatenate(left, TextLength(left), right, result);
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

// A run of arithmetic operators, in a loop: each operator applies to the values of its two sides,
// the left one evaluated first. A concatenation appends to a left value of its own, whose length
// the walk knows, so that a long run of || copies and measures each part once.
TExpTree EvaluateArithmetic(const TExpToken& root, const uint8_t* record, const TEvaluationContext& context) {
  struct TRunValue {
    TOperandValue value;
    size_t textLength = std::string_view::npos;  // known for texts this walk joined
  };
  TWalkStack<TRunValue> values;
  WalkRun(
      root,
      [&](const TExpToken* operand, const TExpToken&) {
        values.Push({TOperandValue(*operand, record, context), std::string_view::npos});
      },
      [&](const TExpToken& node) {
        TRunValue right = values.Pop();
        TRunValue left = values.Pop();
        const TExpToken& leftValue = *left.value;
        if (!IsConcatenation(node)) {
          TExpTree result = ResultFor(node);
          ApplyArithmetic(node, leftValue, *right.value, *result);
          values.Push({TOperandValue(std::move(result)), std::string_view::npos});
          return;
        }
        const size_t leftLength = left.textLength != std::string_view::npos ? left.textLength : TextLength(leftValue);
        TExpTree result = left.value.TakeOwned();
        if (result) {
          result->ValueType = node.ValueType;
          result->SubType = node.SubType;
          result->Size = node.Size;
        } else {
          result = ResultFor(node);
        }
        const size_t length = Concatenate(leftValue, leftLength, *right.value, *result);
        values.Push({TOperandValue(std::move(result)), length});
      });
  return values.Pop().value.Take(root, record, context);
}

}  // namespace sklad
