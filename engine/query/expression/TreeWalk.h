// Visiting every node of an expression tree: the node, the nodes chained after it (list items)
// and all their operands, depth first.
#pragma once

#include <type_traits>

#include "ExpToken.h"

namespace sklad {

template <typename Node, typename Visit>
  requires std::is_same_v<std::remove_const_t<Node>, TExpToken>
void EachNode(Node* node, Visit&& visit) {
  for (; node; node = node->Next) {
    visit(*node);
    EachNode(static_cast<Node*>(node->First), visit);
    EachNode(static_cast<Node*>(node->Second), visit);
    EachNode(static_cast<Node*>(node->Third), visit);
  }
}

}  // namespace sklad
