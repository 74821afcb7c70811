#include "ConditionParts.h"

namespace sklad {

bool IsAndNode(const TExpToken* node) {
  return node && node->Kind == TNodeKind::BinaryOperator && node->Operator == TOperator::And;
}

void SplitAnd(const TExpToken* node, std::vector<const TExpToken*>& parts) {
  if (!node) return;
  if (!IsAndNode(node)) {
    parts.push_back(node);
    return;
  }
  SplitAnd(node->First, parts);
  SplitAnd(node->Second, parts);
}

void AndInto(TExpTree& tree, TExpToken* part) {
  if (!tree) {
    tree.reset(part);
    return;
  }
  TExpTree node = TakeNode();
  node->Kind = TNodeKind::BinaryOperator;
  node->Operator = TOperator::And;
  node->SourceText = "AND";
  node->ValueType = static_cast<uint8_t>(TFieldType::Boolean);
  node->Size = 2;
  node->First = tree.release();
  node->Second = part;
  tree = std::move(node);
}

}  // namespace sklad
