// The value a join carries from the row of its outer table to the comparison placed on its inner
// table, fitted to the inner column's type only where the fit is exact, so that a join never
// matches values that differ.
#pragma once

#include "engine/expression/ExpressionEvaluator.h"

namespace sklad {

// Converts a value to the type of the column it is compared with when the converted value equals
// the original (2 for an integer column, 2.0 for a float one, midnight's timestamp for a date
// column). A value the column's type cannot hold exactly (2.5 for an integer column, 70000 for a
// 16-bit one, a timestamp after midnight for a date column) keeps its own type, so that every
// comparison with it stays exact: = never holds, and <, >, <= and >= keep their order.
void FitJoinValue(TExpToken& value, const TExpToken& column, const TEvaluationContext& context);

}  // namespace sklad
