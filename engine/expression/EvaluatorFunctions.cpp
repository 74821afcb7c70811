// Evaluation of functions and aggregates.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "EvaluatorParts.h"
#include "ValueAccess.h"
#include "engine/storage/data/DateTimeValues.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

using T = TFieldType;

// The value node's text as a writable span of its own buffer.
std::span<char> TextSpan(TExpToken& value) {
  return {reinterpret_cast<char*>(value.Value.data()), ReadText(value).size()};
}

// A NULL of the node's type.
TExpTree NullFor(const TExpToken& node) {
  TExpTree value = ResultFor(node);
  SetNull(*value);
  return value;
}

// Gives a value that was an operand's the type of the node that computed it.
TExpTree TypedAs(TExpTree value, const TExpToken& node) {
  value->ValueType = node.ValueType;
  value->SubType = node.SubType;
  value->Size = node.Size;
  return value;
}

// Keeps the first `length` characters of the value, starting at `from` (0-based).
void KeepPart(TExpToken& value, size_t from, size_t length) {
  const std::string_view text = ReadText(value);
  if (from >= text.size()) return SetNull(value);
  length = std::min(length, text.size() - from);
  std::memmove(value.Value.data(), value.Value.data() + from, length);
  value.Value[length] = 0;
  value.IsNull = length == 0;
}

TExpTree Substring(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue argument(*node.First, record, context);
  TExpTree result = argument.Take(*node.First, record, context);
  const int64_t from = ReadInteger(*node.Second);
  const TExpToken* count = node.Second->Next;
  if (!result->IsNull)
    KeepPart(*result, static_cast<size_t>(std::max<int64_t>(from, 1) - 1),
             count ? static_cast<size_t>(std::max<int64_t>(ReadInteger(*count), 0)) : std::string::npos);
  return TypedAs(std::move(result), node);
}

TExpTree Replace(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue subject(*node.First, record, context);
  if (subject->IsNull) return NullFor(node);
  TExpTree result = ResultFor(node);
  const std::string_view text = ReadText(*subject);
  const std::string_view search = ReadText(*node.Second);
  const std::string_view replacement = ReadText(*node.Second->Next);
  std::string replaced;
  if (search.empty() || search == replacement) {
    replaced = text;
  } else {
    for (size_t at = 0;;) {
      const size_t found = text.find(search, at);
      replaced.append(text.substr(at, found - at));
      if (found == std::string_view::npos) break;
      replaced.append(replacement);
      at = found + search.size();
    }
  }
  SetText(*result, replaced);
  result->ValueType = node.ValueType;
  result->SubType = node.SubType;
  result->Size = std::max<uint32_t>(node.Size, static_cast<uint32_t>(replaced.size() + 1));
  return result;
}

TExpTree PositionOrCount(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue subject(*node.First, record, context);
  TExpTree result = ResultFor(node);
  if (subject->IsNull) {
    SetInteger(*result, T::Integer, 0);
    return result;
  }
  const std::string_view text = ReadText(*subject);
  const std::string_view search = ReadText(*node.Second);
  int64_t value = 0;
  if (node.Operator == TOperator::Pos) {
    const size_t found = search.empty() ? std::string_view::npos : text.find(search);
    value = found == std::string_view::npos ? 0 : static_cast<int64_t>(found) + 1;
  } else if (!search.empty()) {
    for (size_t at = text.find(search); at != std::string_view::npos; at = text.find(search, at + search.size()))
      ++value;
  }
  SetInteger(*result, T::Integer, value);
  return result;
}

TExpTree Trim(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue subject(*node.First, record, context);
  TExpTree result = subject.Take(*node.First, record, context);
  if (!result->IsNull) {
    const char c = ReadText(*node.Second).empty() ? '\0' : ReadText(*node.Second)[0];
    const std::string_view text = ReadText(*result);
    size_t first = 0, last = text.size();
    if (node.Operator != TOperator::TrimTrailing)
      while (first < last && text[first] == c) ++first;
    if (node.Operator != TOperator::TrimLeading)
      while (last > first && text[last - 1] == c) --last;
    KeepPart(*result, first, last - first);
    if (first == text.size()) SetNull(*result);
  }
  return TypedAs(std::move(result), node);
}

TExpTree Extract(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue argument(*node.First, record, context);
  if (argument->IsNull) return NullFor(node);
  TExpTree result = ResultFor(node);
  const T type = TypeOf(*argument);
  int32_t day = 0, millisecond = 0;
  if (type == T::Date) day = argument->As<int32_t>();
  if (type == T::Time) millisecond = argument->As<int32_t>();
  if (type == T::TimeStamp) {
    const double stamp = argument->As<double>();
    day = static_cast<int32_t>(SaturatingInteger(std::floor(stamp / kMillisecondsPerDay)));
    millisecond = static_cast<int32_t>(SaturatingInteger(stamp - static_cast<double>(day) * kMillisecondsPerDay));
  }
  const bool hasDate = type != T::Time, hasTime = type != T::Date;
  const TCalendarDate date = DecodeDayNumber(day);
  const TTimeOfDay time = DecodeMilliseconds(millisecond);
  int value = 0;
  switch (node.Operator) {
    case TOperator::ExtractYear: value = hasDate ? date.Year : 0; break;
    case TOperator::ExtractMonth: value = hasDate ? date.Month : 0; break;
    case TOperator::ExtractDay: value = hasDate ? date.Day : 0; break;
    case TOperator::ExtractDayOfWeek: value = hasDate ? DayOfWeek(day) + 1 : 0; break;
    case TOperator::ExtractHour: value = hasTime ? time.Hour : 0; break;
    case TOperator::ExtractMinute: value = hasTime ? time.Minute : 0; break;
    default: value = hasTime ? time.Second : 0; break;
  }
  SetInteger(*result, T::Integer, value);
  return result;
}

TExpTree Cast(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue source(*node.First, record, context);
  if (source->IsNull) return NullFor(node);
  TExpTree result = ResultFor(node);
  const uint32_t room = std::max(source->Size, node.Size) + 1;
  result->Reserve(room);
  std::fill(result->Value.begin(), result->Value.end(), 0);
  std::memcpy(result->Value.data(), source->Value.data(), std::min<size_t>(source->Value.size(), room));
  if (TypeOf(*source) == T::Blob) {  // copied byte for byte
    if (TypeOf(node) == T::String && source->Size > 0) result->Value[source->Size - 1] = 0;
  } else if (!Convert(TypeOf(*source), static_cast<int>(source->Size), source->Scale,
                      std::span(result->Value.data(), room), static_cast<int>(node.Size), node.Scale, TypeOf(node))) {
    SetNull(*result);
    return result;
  }
  result->IsNull = TypeOf(node) == T::String && result->Value[0] == 0;
  return result;
}

TExpTree Absolute(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue argument(*node.First, record, context);
  TExpTree result = argument.Take(*node.First, record, context);
  if (result->IsNull) return result;
  switch (TypeOf(*result)) {
    case T::Float: SetFloat(*result, std::fabs(result->As<double>())); break;
    case T::BCD: {
      const int64_t fixed = ReadFixed(*result);
      SetFixed(*result, fixed < 0 ? -fixed : fixed, result->Scale);
      break;
    }
    case T::Word: break;
    default: {
      const int64_t value = ReadInteger(*result);
      SetInteger(*result, TypeOf(*result), value < 0 ? -value : value);
      break;
    }
  }
  return result;
}

// Halves away from zero at `places` decimal places.
TExpTree Round(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue argument(*node.First, record, context);
  if (argument->IsNull) return NullFor(node);
  TExpTree result = ResultFor(node);
  const double x = ReadFloat(*argument);
  const double unit = std::pow(0.1, node.Second ? static_cast<double>(ReadInteger(*node.Second)) : 0.0);
  const double steps = x > 0 ? std::floor(x / unit + 0.5) : x < 0 ? std::ceil(x / unit - 0.5) : 0.0;
  SetFloat(*result, steps * unit);
  return result;
}

TExpTree ChangeCase(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  TOperandValue argument(*node.First, record, context);
  TExpTree result = argument.Take(*node.First, record, context);
  if (!result->IsNull) {
    if (node.Operator == TOperator::Lower)
      ToLowerCase(context.Language, context.Sort, TextSpan(*result));
    else
      ToUpperCase(context.Language, context.Sort, TextSpan(*result));
  }
  return result;
}

TExpTree Choose(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  return Evaluate(ConditionHolds(*node.First, record, context) ? *node.Second : *node.Third, record, context);
}

// The value of the argument for the current row; accumulating is the statement's work.
TExpTree AggregateArgument(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  return node.First->ColumnName == "*" ? ResultFor(node) : Evaluate(*node.First, record, context);
}

using TFunctionEvaluation = TExpTree (*)(const TExpToken&, const uint8_t*, const TEvaluationContext&);

// Each function is evaluated by a routine of its own, called through its address: evaluating
// nested functions then stacks only the frames of the functions met on the way down, never one
// frame holding the locals of them all.
TFunctionEvaluation EvaluationOf(TOperator op) {
  switch (op) {
    case TOperator::Lower:
    case TOperator::Upper: return ChangeCase;
    case TOperator::Substring: return Substring;
    case TOperator::Replace: return Replace;
    case TOperator::Pos:
    case TOperator::Occurs: return PositionOrCount;
    case TOperator::TrimLeading:
    case TOperator::TrimTrailing:
    case TOperator::TrimBoth: return Trim;
    case TOperator::Cast: return Cast;
    case TOperator::If: return Choose;
    case TOperator::Abs: return Absolute;
    case TOperator::Round: return Round;
    case TOperator::Sum:
    case TOperator::Count:
    case TOperator::Min:
    case TOperator::Max:
    case TOperator::Avg: return AggregateArgument;
    default: return Extract;
  }
}

}  // namespace

TExpTree EvaluateFunction(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
  return EvaluationOf(node.Operator)(node, record, context);
}

}  // namespace sklad
