// TFilter: one filter of a cursor — a prepared expression or a record callback — and the bitmap
// of the records that satisfy it, kept up to date while it is active.
#pragma once

#include <cstdint>

#include "RecordsBitmap.h"
#include "engine/expression/ExpToken.h"

namespace sklad {

class TDataCursor;

// A record filter of the dataset layer: true when the record passes.
using TRecordFilterCallback = bool (*)(void* owner, const uint8_t* record, int32_t recordNumber);

class TFilter {
 public:
  // An expression filter when expression is given, otherwise a callback filter.
  TFilter(TDataCursor& cursor, TRecordFilterCallback callback, void* callbackOwner, bool costRule,
          bool afterExpressions, bool ownsExpression, TExpToken* expression);
  ~TFilter();
  TFilter(const TFilter&) = delete;
  TFilter& operator=(const TFilter&) = delete;

  void Activate() { FActive = true; }
  void Deactivate() { FActive = false; }
  // Narrows the bitmap, which holds the candidate records, to those that pass.
  void Evaluate();
  // Tests one record the cursor has just written and sets or clears its bit.
  void EvaluateRecord(int32_t recordNumber, const uint8_t* record);
  void RemoveRecord(int32_t recordNumber) { FBitmap->ClearBit(recordNumber); }
  // Installs a new prepared expression (taking ownership as before) and frees the old one.
  void ReplaceExpression(TExpToken* expression);
  // Whether a record passes: the callback's answer, or the expression being true.
  bool Passes(const uint8_t* record, int32_t recordNumber) const;

  bool Active() const { return FActive; }
  bool IsCallback() const { return FIsCallback; }
  bool AfterExpressions() const { return FAfterExpressions; }
  bool CostRule() const { return FCostRule; }
  bool OwnsExpression() const { return FOwnsExpression; }
  uint8_t OptimizationLevel() const { return FOptimizationLevel; }
  const TExpToken* Expression() const { return FExpression; }
  TRecordFilterCallback Callback() const { return FCallback; }
  void* CallbackOwner() const { return FCallbackOwner; }
  TRecordsBitmap& Bitmap() { return *FBitmap; }

  // ---- Narrowed evaluation ----
  // A narrowed filter was tested only on the records other active filters let through: its
  // bitmap is exact for every record that passes them, which is all the visible set needs, and
  // it is evaluated again when one of those filters goes away or changes.
  bool Narrowed() const { return FNarrowed; }
  void SetNarrowed(bool value) { FNarrowed = value; }

 private:
  void FreeExpression();
  void ComputeOptimizationLevel();

  TDataCursor& FCursor;
  bool FOwnsExpression;
  TExpToken* FExpression;
  void* FCallbackOwner;
  TRecordFilterCallback FCallback;
  TRecordsBitmap* FBitmap;
  bool FActive = false;
  bool FIsCallback;
  uint8_t FOptimizationLevel = 0;
  bool FAfterExpressions;
  bool FCostRule;
  bool FNarrowed = false;
};

}  // namespace sklad
