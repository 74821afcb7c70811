// Pieces the evaluator's files share: operand values that are read in place when the operand is
// a constant, and the evaluation of functions.
#pragma once

#include <utility>

#include "ExpressionEvaluator.h"

namespace sklad {

// An operand's value: a constant operand is read where it stands, anything else is evaluated
// into a value node that this object gives back to the pool.
class TOperandValue {
 public:
  TOperandValue() = default;
  TOperandValue(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context)
      : FOwned(node.Kind == TNodeKind::Constant ? nullptr : Evaluate(node, record, context)),
        FValue(FOwned ? FOwned.get() : &node) {}
  // A value already computed.
  explicit TOperandValue(TExpTree value) : FOwned(std::move(value)), FValue(FOwned.get()) {}

  const TExpToken& operator*() const { return *FValue; }
  const TExpToken* operator->() const { return FValue; }
  // The value node to reuse as a result; evaluates a copy for a constant operand.
  TExpTree Take(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context) {
    return FOwned ? std::move(FOwned) : Evaluate(node, record, context);
  }
  // The value node when it is one of this object's own (null for a constant read in place).
  TExpTree TakeOwned() { return std::move(FOwned); }

 private:
  TExpTree FOwned;
  const TExpToken* FValue = nullptr;
};

// A value node for a result, typed as the node it evaluates.
TExpTree ResultFor(const TExpToken& node);

// The evaluation of each kind of node is a routine of its own, with its own frame, so that a
// deeply nested tree stacks only the frames of the nodes on its way down.
TExpTree EvaluateFunction(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);
// Unary minus and plus; NOT and the IS NULL tests are conditions (EvaluatorArithmetic.cpp).
TExpTree EvaluateSign(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);
// A run of +, -, *, / and || (EvaluatorArithmetic.cpp).
TExpTree EvaluateArithmetic(const TExpToken& root, const uint8_t* record, const TEvaluationContext& context);
// One arithmetic operator applied to the values of its operands.
void ApplyArithmetic(const TExpToken& node, const TExpToken& left, const TExpToken& right, TExpToken& result);
// = <> < > <= >=, plain or collated.
bool ComparisonHolds(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);
// LIKE, BETWEEN, IN and their NOT forms.
bool PredicateHolds(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);

}  // namespace sklad
