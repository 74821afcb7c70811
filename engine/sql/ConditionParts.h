// A condition as the parts joined by its AND nodes: splitting a tree into them and joining parts
// back into one tree.
#pragma once

#include <type_traits>
#include <vector>

#include "engine/expression/ExpTokenStack.h"
#include "engine/expression/OperatorRuns.h"

namespace sklad {

bool IsAndNode(const TExpToken* node);
// The parts below the AND nodes from the root, left to right; a long run of ANDs in a loop.
template <typename Node>
void SplitAnd(std::type_identity_t<Node>* node, std::vector<Node*>& parts) {
  if (!node) return;
  if (!IsAndNode(node)) {
    parts.push_back(node);
    return;
  }
  EachRunOperand(*node, [](const TExpToken& part) { return IsAndNode(&part); },
                 [&](Node& part) {
                   parts.push_back(&part);
                   return true;
                 });
}
// Gives the AND nodes above the parts back to the pool and answers the parts, left to right; the
// caller owns them now.
std::vector<TExpToken*> TakeAndApart(TExpToken* root);
// Joins the part (now owned by the tree) onto the tree by a new AND node; an empty tree becomes
// the part.
void AndInto(TExpTree& tree, TExpToken* part);

}  // namespace sklad
