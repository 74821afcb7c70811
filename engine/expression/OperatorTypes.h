// The type rules of the binary operators: which operand types an operator admits and which type
// its result has.
#pragma once

#include <optional>

#include "ExpToken.h"

namespace sklad {

// Whether the operator admits the right operand beside the left one. A NULL constant has no type
// and is admitted on the right of = and <> only.
bool OperandsCompatible(TOperator op, const TExpToken& left, const TExpToken& right);

struct TResultType {
  TFieldType type;
  uint8_t subType;
};

// The result of an arithmetic operator (+ - * /) on admitted operands.
TResultType ArithmeticResult(TOperator op, const TExpToken& left, const TExpToken& right);

}  // namespace sklad
