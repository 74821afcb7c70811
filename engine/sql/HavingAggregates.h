// The aggregates of a HAVING condition, replaced by the aggregate result columns that hold their
// values, so that the condition can be bound and evaluated over a finished group record.
#pragma once

#include <vector>

#include "DataQuery.h"

namespace sklad {

// Replaces every aggregate in the tree by a column naming the first aggregate result column of
// the same kind over an equal argument (same shape, operators, names, flags and constants).
// Raises 11949 "Expression in HAVING clause not found in source columns" for an aggregate no
// result column holds.
void ReplaceHavingAggregates(TExpToken& having, const std::vector<TResultField>& columns);

}  // namespace sklad
