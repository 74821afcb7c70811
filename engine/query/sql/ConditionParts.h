// A condition as the parts joined by its AND nodes: splitting a tree into them and joining parts
// back into one tree.
#pragma once

#include <vector>

#include "engine/query/expression/ExpTokenStack.h"

namespace sklad {

bool IsAndNode(const TExpToken* node);
// The parts below the AND nodes from the root, left to right.
void SplitAnd(const TExpToken* node, std::vector<const TExpToken*>& parts);
// Joins the part (now owned by the tree) onto the tree by a new AND node; an empty tree becomes
// the part.
void AndInto(TExpTree& tree, TExpToken* part);

}  // namespace sklad
