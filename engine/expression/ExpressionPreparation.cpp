#include "ExpressionPreparation.h"

#include <cmath>
#include <limits>

#include "ExpressionEvaluator.h"
#include "OperatorRuns.h"
#include "ValueAccess.h"

namespace sklad {
namespace {

using T = TFieldType;

// A constant, or a sign over a constant.
bool IsConstantValue(const TExpToken* node) {
  if (!node) return false;
  if (node->Kind == TNodeKind::Constant) return !node->IsParameter;
  return node->Kind == TNodeKind::UnaryOperator && node->Operator != TOperator::Not && node->First &&
         node->First->Kind == TNodeKind::Constant && !node->First->IsParameter;
}

// The constant's value, with its sign applied.
TExpTree ConstantValue(const TExpToken& node, const TPrepareOptions& options) {
  TEvaluationContext context{options.Language, options.Sort, nullptr};
  TExpTree value = Evaluate(node, nullptr, context);
  value->SourceText = node.Kind == TNodeKind::Constant ? node.SourceText : node.SourceText + node.First->SourceText;
  return value;
}

struct IntegerRange {
  int64_t minimum, maximum;
};

IntegerRange RangeOf(T type) {
  switch (type) {
    case T::SmallInt: return {INT16_MIN, INT16_MAX};
    case T::Word: return {0, UINT16_MAX};
    default: return {INT32_MIN, INT32_MAX};
  }
}

// Fits a numeric constant to an integer or BCD column. An exact value is stored in the column's
// type. Otherwise an order comparison moves to the nearest value the column can hold that keeps
// the same answer (i >= 5.5 becomes i >= 6, i < 5.5 becomes i <= 5, a bound beyond the type's
// range matches all or nothing), and = and <> keep the constant as it is, so that they compare
// numerically and match nothing (respectively everything) instead of a truncated value.
void FitNumber(TExpToken& constant, T type, uint8_t scale, TOperator* op) {
  const bool toBcd = type == T::BCD;
  const int64_t unit = toBcd ? kPowersOfTen[kMaxBcdScale - std::min<int>(scale, kMaxBcdScale)] : kFixedOne;
  // The constant in units of the column's last digit, as an exact fraction when it is not whole.
  const long double steps = TypeOf(constant) == T::Float
                                ? static_cast<long double>(constant.As<double>()) * kFixedOne / unit
                                : static_cast<long double>(ReadFixed(constant)) / unit;
  if (!std::isfinite(steps)) return;
  const bool whole = std::floor(steps) == steps;
  const IntegerRange range = toBcd ? IntegerRange{INT64_MIN / kFixedOne, INT64_MAX / kFixedOne} : RangeOf(type);
  auto store = [&](long double value) {
    const int64_t n = static_cast<int64_t>(value);
    if (toBcd) SetFixed(constant, n * unit, scale);
    else SetInteger(constant, type, n);
  };
  if (whole && steps >= range.minimum && steps <= range.maximum) return store(steps);
  if (!op) return;
  switch (*op) {
    case TOperator::Greater:
    case TOperator::GreaterOrEqual: {
      long double bound = std::ceil(steps);
      if (!whole) *op = TOperator::GreaterOrEqual;
      if (bound > range.maximum) *op = TOperator::Greater, bound = range.maximum;
      if (bound < range.minimum) *op = TOperator::GreaterOrEqual, bound = range.minimum;
      return store(bound);
    }
    case TOperator::Less:
    case TOperator::LessOrEqual: {
      long double bound = std::floor(steps);
      if (!whole) *op = TOperator::LessOrEqual;
      if (bound < range.minimum) *op = TOperator::Less, bound = range.minimum;
      if (bound > range.maximum) *op = TOperator::LessOrEqual, bound = range.maximum;
      return store(bound);
    }
    default:
      return;
  }
}

// Converts a constant to the type of the value it is compared with, unless it is a string or
// already of that type. `op` is the comparison, or null for IN items and BETWEEN bounds.
void ConvertConstant(TExpToken& constant, const TExpToken& subject, TOperator* op) {
  const T from = TypeOf(constant), to = TypeOf(subject);
  if (constant.IsNull || from == T::String || from == to || constant.ValueType == 0) return;
  if (to == T::Date && from == T::TimeStamp) {
    SetDate(constant, SaturatingInteger(std::floor(constant.As<double>() / kMillisecondsPerDay)));
  } else if (to == T::TimeStamp && from == T::Date) {
    SetTimeStamp(constant, static_cast<double>(constant.As<int32_t>()) * kMillisecondsPerDay);
  } else if (IsNumeric(from) && to == T::Float) {
    SetFloat(constant, ReadFloat(constant));
  } else if (IsNumeric(from) && (IsInteger(to) || to == T::BCD)) {
    FitNumber(constant, to, subject.Scale, op);
  }
}

bool EndsInStar(std::string_view text) { return text.size() > 1 && text.back() == '*'; }

// 'abc%': no `_`, one `%`, at the end, after at least one character.
bool IsPrefixPattern(std::string_view pattern) {
  return pattern.size() > 1 && pattern.find('_') == std::string_view::npos &&
         pattern.find('%') == pattern.size() - 1;
}

}  // namespace

// Copies a tree; with options it also prepares it. Its routines are not local to this file, so
// that each keeps a frame of its own and preparing a deeply nested tree stacks only the small
// frames of the nodes on the way down.
class TTreePreparer {
 public:
  explicit TTreePreparer(const TPrepareOptions* options) : FOptions(options) {}

  // The node with its operands, and the items that follow it in its list.
  TExpTree PrepareList(const TExpToken* first);
  TExpTree Prepare(const TExpToken& node);

 private:
  static TExpTree CopyNode(const TExpToken& node);
  // A run of operators, copied in a loop: each operator's copy takes the copies of its two sides.
  TExpTree PrepareRun(const TExpToken& root);
  TExpTree PrepareComparison(const TExpToken& node);
  TExpTree PreparePredicate(const TExpToken& node);

  const TPrepareOptions* FOptions;  // null: a plain copy
};

TExpTree TTreePreparer::PrepareList(const TExpToken* first) {
  TExpTree head;
  TExpToken** link = nullptr;
  for (const TExpToken* item = first; item; item = item->Next) {
    TExpTree prepared = Prepare(*item);
    TExpToken* raw = prepared.release();
    if (link) *link = raw;
    else head.reset(raw);
    link = &raw->Next;
  }
  return head;
}

TExpTree TTreePreparer::Prepare(const TExpToken& node) {
  if (FOptions && node.Kind == TNodeKind::BinaryOperator && node.IsComparison()) return PrepareComparison(node);
  if (FOptions && node.Kind == TNodeKind::Predicate) return PreparePredicate(node);
  if (RunKindOf(node) != TRunKind::None) return PrepareRun(node);
  TExpTree copy = CopyNode(node);
  copy->First = PrepareList(node.First).release();
  copy->Second = PrepareList(node.Second).release();
  copy->Third = PrepareList(node.Third).release();
  return copy;
}

TExpTree TTreePreparer::CopyNode(const TExpToken& node) {
  TExpTree copy = TakeNode();
  std::vector<uint8_t> value = std::move(copy->Value);
  *copy = node;
  value.assign(node.Value.begin(), node.Value.end());
  copy->Value = std::move(value);
  copy->Parent = nullptr;
  copy->First = copy->Second = copy->Third = copy->Next = nullptr;
  return copy;
}

TExpTree TTreePreparer::PrepareRun(const TExpToken& root) {
  TWalkStack<TExpTree> copies;
  WalkRun(
      root, [&](const TExpToken* operand, const TExpToken&) { copies.Push(PrepareList(operand)); },
      [&](const TExpToken& node) {
        TExpTree second = copies.Pop();
        TExpTree copy = CopyNode(node);
        copy->First = copies.Pop().release();
        copy->Second = second.release();
        copy->Third = PrepareList(node.Third).release();
        copies.Push(std::move(copy));
      });
  return copies.Pop();
}

TExpTree TTreePreparer::PrepareComparison(const TExpToken& node) {
  TExpTree copy = CopyNode(node);
  copy->First = Prepare(*node.First).release();
  if (!IsConstantValue(node.Second)) {
    copy->Second = Prepare(*node.Second).release();
    return copy;
  }
  TExpTree constant = ConstantValue(*node.Second, *FOptions);
  const bool equality = node.Operator == TOperator::Equal || node.Operator == TOperator::NotEqual;
  if (equality && TypeOf(*constant) == T::String && !constant->IsNull) {
    std::string text(ReadText(*constant));
    const bool prefix = EndsInStar(text) && !FOptions->NoPartialCompare;
    if (prefix || FOptions->CaseInsensitive) {
      copy->Kind = TNodeKind::CollatedComparison;
      copy->CaseInsensitive = FOptions->CaseInsensitive;
      copy->PartialLength = prefix ? static_cast<int32_t>(text.size() - 1) : 0;
      if (prefix) SetText(*constant, text.substr(0, text.size() - 1));
    }
  } else {
    ConvertConstant(*constant, *node.First, &copy->Operator);
  }
  copy->Second = constant.release();
  return copy;
}

TExpTree TTreePreparer::PreparePredicate(const TExpToken& node) {
  const bool like = node.Operator == TOperator::Like || node.Operator == TOperator::NotLike;
  if (like && node.Second->Kind == TNodeKind::Constant && !node.Second->IsNull &&
      TypeOf(*node.Second) == T::String && IsPrefixPattern(ReadText(*node.Second))) {
    // subject LIKE 'abc%' compares the first three characters with 'abc'.
    TExpTree comparison = TakeNode();
    comparison->Kind = TNodeKind::CollatedComparison;
    comparison->Operator = node.Operator == TOperator::Like ? TOperator::Equal : TOperator::NotEqual;
    comparison->SourceText = node.Operator == TOperator::Like ? "=" : "<>";
    comparison->ValueType = static_cast<uint8_t>(T::Boolean);
    comparison->Size = 2;
    const std::string_view pattern = ReadText(*node.Second);
    comparison->PartialLength = static_cast<int32_t>(pattern.size() - 1);
    comparison->First = Prepare(*node.First).release();
    TExpTree constant = CopyNode(*node.Second);
    SetText(*constant, pattern.substr(0, pattern.size() - 1));
    comparison->Second = constant.release();
    return comparison;
  }
  TExpTree copy = CopyNode(node);
  copy->First = Prepare(*node.First).release();
  const bool listed = node.Operator == TOperator::In || node.Operator == TOperator::NotIn ||
                      node.Operator == TOperator::Between || node.Operator == TOperator::NotBetween;
  TExpToken** link = &copy->Second;
  for (const TExpToken* item = node.Second; item; item = item->Next) {
    TExpTree prepared;
    if (listed && IsConstantValue(item)) {
      prepared = ConstantValue(*item, *FOptions);
      ConvertConstant(*prepared, *node.First, nullptr);
    } else {
      prepared = Prepare(*item);
    }
    *link = prepared.release();
    link = &(*link)->Next;
  }
  return copy;
}

TExpTree PrepareForEvaluation(const TExpToken& root, const TPrepareOptions& options) {
  return TTreePreparer(&options).Prepare(root);
}

TExpTree CopyTree(const TExpToken& root) { return TTreePreparer(nullptr).Prepare(root); }

}  // namespace sklad
