// Visiting every node of an expression tree: the node, its operands and the nodes chained after
// it (list items), depth first. The walks run in a loop, so that no shape of tree, however deep
// or long, can exhaust the stack.
#pragma once

#include <type_traits>

#include "ExpToken.h"
#include "WalkStack.h"

namespace sklad {

// Depth first from the root: `test(node)` answers true to end the walk there (answered then),
// `expand(node, pending)` pushes what comes below the node, last pushed walked first.
template <typename Node, typename Test, typename Expand>
bool SearchNodes(Node* root, Test&& test, Expand&& expand) {
  TWalkStack<Node*> pending;
  if (root) pending.Push(root);
  while (!pending.Empty()) {
    Node* node = pending.Pop();
    if (test(*node)) return true;
    // A test may change the node: what is below it is read after it.
    expand(*node, pending);
  }
  return false;
}

// Whether a node of the tree satisfies the test; stops at the first that does. Nodes are tested
// before their operands, operands before the items chained after the node.
template <typename Node, typename Test>
  requires std::is_same_v<std::remove_const_t<Node>, TExpToken>
bool AnyNode(Node* root, Test&& test) {
  return SearchNodes(root, test, [](Node& node, TWalkStack<Node*>& pending) {
    for (Node* next : {static_cast<Node*>(node.Next), static_cast<Node*>(node.Third),
                       static_cast<Node*>(node.Second), static_cast<Node*>(node.First)})
      if (next) pending.Push(next);
  });
}

// Visits every node in the order AnyNode tests them.
template <typename Node, typename Visit>
  requires std::is_same_v<std::remove_const_t<Node>, TExpToken>
void EachNode(Node* root, Visit&& visit) {
  AnyNode(root, [&](Node& node) {
    visit(node);
    return false;
  });
}

// Visits the node and, below the logical operators (AND, OR, NOT) among them, the operands they
// join: each node before its operands, first operands before second ones.
template <typename Node, typename Visit>
  requires std::is_same_v<std::remove_const_t<Node>, TExpToken>
void EachLogicalNode(Node* root, Visit&& visit) {
  SearchNodes(
      root,
      [&](Node& node) {
        visit(node);
        return false;
      },
      [](Node& node, TWalkStack<Node*>& pending) {
        if (!node.IsLogical()) return;
        for (Node* operand : {static_cast<Node*>(node.Second), static_cast<Node*>(node.First)})
          if (operand) pending.Push(operand);
      });
}

}  // namespace sklad
