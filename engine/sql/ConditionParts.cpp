#include "ConditionParts.h"

namespace sklad {

bool IsAndNode(const TExpToken* node) {
  return node && node->Kind == TNodeKind::BinaryOperator && node->Operator == TOperator::And;
}

std::vector<TExpToken*> TakeAndApart(TExpToken* root) {
  std::vector<TExpToken*> parts;
  SplitAnd(root, parts);
  TWalkStack<TExpToken*> above;
  if (IsAndNode(root)) above.Push(root);
  while (!above.Empty()) {
    TExpToken* node = above.Pop();
    for (TExpToken* side : {node->First, node->Second})
      if (IsAndNode(side)) above.Push(side);
    node->First = node->Second = nullptr;
    TExpTokenStack::Instance().Give(node);
  }
  return parts;
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
