// Runs of binary operators: `a OR b OR c ...`, `a AND b AND c ...` and `a + b - c * d ...` build
// trees as deep as they are long, one node per operator. The walks over trees (binding,
// preparation, evaluation, index planning, the SQL planner's splitting of conditions) go through
// such a run in a loop and recurse only into the operands that end it, so that their recursion
// follows how deeply the text nests, which the parser bounds, and never how long a run is.
#pragma once

#include <cstdint>

#include "ExpToken.h"
#include "WalkStack.h"

namespace sklad {

// The runs: AND nodes, OR nodes, and the arithmetic operators together.
enum class TRunKind : uint8_t { None, And, Or, Arithmetic };

inline TRunKind RunKindOf(const TExpToken& node) {
  if (node.Kind != TNodeKind::BinaryOperator) return TRunKind::None;
  switch (node.Operator) {
    case TOperator::And: return TRunKind::And;
    case TOperator::Or: return TRunKind::Or;
    case TOperator::Add:
    case TOperator::Subtract:
    case TOperator::Multiply:
    case TOperator::Divide: return TRunKind::Arithmetic;
    default: return TRunKind::None;
  }
}

// Whether the operand carries a run of that kind on: a node of the run with no list after it.
inline bool ContinuesRun(TRunKind run, const TExpToken* operand) {
  return run != TRunKind::None && operand != nullptr && operand->Next == nullptr && RunKindOf(*operand) == run;
}

// Walks the run whose top node is `root` (a node of no run is a run of itself) in post-order:
// `operand(slot, parent)` for each operand that ends the run, left before right, with the slot of
// its parent that holds it (a visit may put another node there); `join(node)` for each node of
// the run once both its sides are done.
template <typename Node, typename Operand, typename Join>
void WalkRun(Node& root, Operand&& operand, Join&& join) {
  const TRunKind run = RunKindOf(root);
  struct TFrame {
    Node* node = nullptr;
    int sidesDone = 0;
  };
  TWalkStack<TFrame> frames;
  frames.Push({&root, 0});
  while (!frames.Empty()) {
    TFrame& frame = frames.Top();
    if (frame.sidesDone == 2) {
      Node& node = *frame.node;
      frames.Pop();
      join(node);
      continue;
    }
    Node& parent = *frame.node;
    auto& slot = frame.sidesDone == 0 ? parent.First : parent.Second;
    ++frame.sidesDone;
    if (ContinuesRun(run, slot))
      frames.Push({slot, 0});
    else
      operand(slot, parent);
  }
}

// Visits the operands that end the run at `root`, left to right (right to left when `backwards`),
// until `visit` answers false; answers whether every operand was visited. `inRun(node)` tells
// which nodes below the root carry the run on.
template <typename Node, typename InRun, typename Visit>
bool EachRunOperand(Node& root, InRun&& inRun, Visit&& visit, bool backwards = false) {
  TWalkStack<Node*> pending;
  pending.Push(&root);
  while (!pending.Empty()) {
    Node* node = pending.Pop();
    if (node == &root || inRun(*node)) {
      Node* later = backwards ? node->First : node->Second;
      Node* sooner = backwards ? node->Second : node->First;
      if (later) pending.Push(later);
      if (sooner) pending.Push(sooner);
    } else if (!visit(*node)) {
      return false;
    }
  }
  return true;
}

}  // namespace sklad
