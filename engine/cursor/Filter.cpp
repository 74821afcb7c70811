#include "Filter.h"

#include "DataCursor.h"
#include "engine/expression/ExpTokenStack.h"

namespace sklad {

TFilter::TFilter(TDataCursor& cursor, TRecordFilterCallback callback, void* callbackOwner, bool costRule,
                 bool afterExpressions, bool ownsExpression, TExpToken* expression)
    : FCursor(cursor),
      FOwnsExpression(expression != nullptr && ownsExpression),
      FExpression(expression),
      FCallbackOwner(callbackOwner),
      FCallback(expression == nullptr ? callback : nullptr),
      FBitmap(TRecordsBitmapStack::Instance().Acquire()),
      FIsCallback(expression == nullptr),
      FAfterExpressions(afterExpressions),
      FCostRule(costRule) {
  ComputeOptimizationLevel();
}

TFilter::~TFilter() {
  FreeExpression();
  TRecordsBitmapStack::Instance().Release(FBitmap);
}

void TFilter::FreeExpression() {
  if (FOwnsExpression) TExpTokenStack::Instance().ReleaseTree(FExpression);
  FExpression = nullptr;
}

void TFilter::ComputeOptimizationLevel() {
  FOptimizationLevel = FIsCallback ? 0 : FCursor.FilterOptimizationLevel(TOperator::None, *FExpression, false);
}

void TFilter::ReplaceExpression(TExpToken* expression) {
  FreeExpression();
  FExpression = expression;
  ComputeOptimizationLevel();
}

void TFilter::Evaluate() {
  if (FIsCallback) {
    FCursor.EvaluateRecords(*FBitmap, *this, nullptr, TOperator::And);
  } else {
    FCursor.EvaluateNode(*this, *FBitmap, *FExpression, TOperator::And);
  }
}

void TFilter::EvaluateRecord(int32_t recordNumber, const uint8_t* record) {
  if (FBitmap->Size() < recordNumber) {
    const int32_t previous = FBitmap->Size();
    FBitmap->SetSize(recordNumber);
    // Bits the bitmap did not cover carry no meaning until tested.
    for (int32_t n = previous + 1; n < recordNumber; ++n) FBitmap->ClearBit(n);
  }
  FBitmap->SetBit(recordNumber);
  if (!Passes(record, recordNumber)) FBitmap->ClearBit(recordNumber);
}

bool TFilter::Passes(const uint8_t* record, int32_t recordNumber) const {
  if (FIsCallback) return FCallback(FCallbackOwner, record, recordNumber);
  return FCursor.ExpressionHolds(*FExpression, record);
}

}  // namespace sklad
