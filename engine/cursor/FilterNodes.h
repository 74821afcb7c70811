// The shapes of filter expression nodes that an index can answer: a column (or UPPER of one, or
// its leading characters) compared with constants.
#pragma once

#include "engine/expression/ExpToken.h"
#include "engine/expression/ValueAccess.h"
#include "engine/expression/ValueClasses.h"

namespace sklad {

// The column a comparison's left side names: the column itself, or UPPER of it, which asks for
// a case-insensitive index. FieldNumber 0 when the side is anything else. PrefixLength n > 0:
// only the column's first n characters are compared (SUBSTRING from the first character).
struct TFilterSubject {
  int FieldNumber = 0;
  bool Upper = false;
  int PrefixLength = 0;
};

inline TFilterSubject SubjectOf(const TExpToken* node) {
  if (node == nullptr) return {};
  if (node->Kind == TNodeKind::Column) return {node->FieldNumber, false};
  if (node->Kind == TNodeKind::Function && node->Operator == TOperator::Upper && node->First != nullptr &&
      node->First->Kind == TNodeKind::Column && node->First->Next == nullptr) {
    return {node->First->FieldNumber, true};
  }
  return {};
}

inline bool IsConstant(const TExpToken* node) {
  return node != nullptr && node->Kind == TNodeKind::Constant && !node->IsParameter;
}

// SUBSTRING(column FROM 1 FOR n) = 'text' with a text of exactly n characters holds exactly when
// the column's first n characters are that text: a prefix of the column's keys. Only = qualifies
// (<> holds for a null column, and the walk leaves nulls out), and only a text of the full length
// (a shorter one equals a shorter value, which no prefix of the keys sees). Answers the subject
// of such a comparison, FieldNumber 0 for any other.
inline TFilterSubject PrefixSubject(const TExpToken& comparison) {
  const TExpToken* part = comparison.First;
  const TExpToken* text = comparison.Second;
  if (comparison.Operator != TOperator::Equal || comparison.PartialLength != 0 || part == nullptr ||
      part->Kind != TNodeKind::Function || part->Operator != TOperator::Substring || part->First == nullptr ||
      part->First->Kind != TNodeKind::Column || !IsConstant(text) || text->IsNull ||
      TypeOf(*text) != TFieldType::String) {
    return {};
  }
  const TExpToken* from = part->Second;
  const TExpToken* count = from != nullptr ? from->Next : nullptr;
  const auto integer = [](const TExpToken* node) {
    return IsConstant(node) && !node->IsNull && IsInteger(TypeOf(*node));
  };
  if (!integer(from) || !integer(count) || ReadInteger(*from) != 1) return {};
  const int64_t length = ReadInteger(*count);
  if (length < 1 || static_cast<int64_t>(ReadText(*text).size()) != length) return {};
  return {part->First->FieldNumber, false, static_cast<int>(length)};
}

// The subject of a comparison (with or without options) whose right side is a constant.
inline TFilterSubject ComparisonSubject(const TExpToken& comparison) {
  const TFilterSubject subject = SubjectOf(comparison.First);
  return subject.FieldNumber != 0 ? subject : PrefixSubject(comparison);
}

inline bool IsListPredicate(TOperator op) {
  return op == TOperator::In || op == TOperator::NotIn || op == TOperator::Between || op == TOperator::NotBetween;
}

}  // namespace sklad
