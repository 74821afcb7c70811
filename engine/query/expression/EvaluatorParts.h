// Pieces the evaluator's files share: operand values that are read in place when the operand is
// a constant, and the evaluation of functions.
#pragma once

#include "ExpressionEvaluator.h"

namespace sklad {

// An operand's value: a constant operand is read where it stands, anything else is evaluated
// into a value node that this object gives back to the pool.
class TOperandValue {
 public:
  TOperandValue(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context)
      : FOwned(node.Kind == TNodeKind::Constant ? nullptr : Evaluate(node, record, context)),
        FValue(FOwned ? FOwned.get() : &node) {}

  const TExpToken& operator*() const { return *FValue; }
  const TExpToken* operator->() const { return FValue; }
  // The value node to reuse as a result; evaluates a copy for a constant operand.
  TExpTree Take(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
    return FOwned ? std::move(FOwned) : Evaluate(node, record, context);
  }

 private:
  TExpTree FOwned;
  const TExpToken* FValue;
};

// A value node for a result, typed as the node it evaluates.
TExpTree ResultFor(const TExpToken& node);

TExpTree EvaluateFunction(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);

}  // namespace sklad
