#include "ComparisonTurn.h"

#include <utility>

namespace sklad {
TOperator MirroredOperator(TOperator op) {
  switch (op) {
    case TOperator::Greater: return TOperator::Less;
    case TOperator::Less: return TOperator::Greater;
    case TOperator::GreaterOrEqual: return TOperator::LessOrEqual;
    case TOperator::LessOrEqual: return TOperator::GreaterOrEqual;
    default: return op;
  }
}

bool ContainsColumn(const TExpToken* node) {
  for (; node != nullptr; node = node->Next) {
    if (node->Kind == TNodeKind::Column) return true;
    if (ContainsColumn(node->First) || ContainsColumn(node->Second) || ContainsColumn(node->Third)) return true;
  }
  return false;
}

void TurnComparison(TExpToken& comparison) {
  std::swap(comparison.First, comparison.Second);
  comparison.Operator = MirroredOperator(comparison.Operator);
}

}  // namespace sklad
