// The shapes of filter expression nodes that an index can answer: a column (or UPPER of one)
// compared with constants.
#pragma once

#include "engine/query/expression/ExpToken.h"

namespace sklad {

// The column a comparison's left side names: the column itself, or UPPER of it, which asks for
// a case-insensitive index. FieldNumber 0 when the side is anything else.
struct TFilterSubject {
  int FieldNumber = 0;
  bool Upper = false;
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

inline bool IsListPredicate(TOperator op) {
  return op == TOperator::In || op == TOperator::NotIn || op == TOperator::Between || op == TOperator::NotBetween;
}

}  // namespace sklad
