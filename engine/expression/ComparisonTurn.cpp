#include "ComparisonTurn.h"

#include <utility>

#include "TreeWalk.h"

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
  return AnyNode(node, [](const TExpToken& n) { return n.Kind == TNodeKind::Column; });
}

void TurnComparison(TExpToken& comparison) {
  std::swap(comparison.First, comparison.Second);
  comparison.Operator = MirroredOperator(comparison.Operator);
}

}  // namespace sklad
