// Turning a comparison round (`5 < x` becomes `x > 5`), so that its column stands on the left,
// where index ranges and query planning look for it.
#pragma once

#include "ExpToken.h"

namespace sklad {

// Whether a column is named anywhere in the node, its operands or the nodes chained after it.
bool ContainsColumn(const TExpToken* node);

// The operator that compares the same way with its operands' places exchanged: a < b is b > a.
TOperator MirroredOperator(TOperator op);

// Swaps the operands of a comparison and mirrors its operator (< and >, <= and >= trade places).
void TurnComparison(TExpToken& comparison);

}  // namespace sklad
