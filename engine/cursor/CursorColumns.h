// TCursorColumns: the columns of a cursor's table as the expression language sees them — field
// names resolved for binding a filter, and field values (memos included) fetched for evaluation.
#pragma once

#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionEvaluator.h"

namespace sklad {

class TDataCursor;

class TCursorColumns final : public TColumnResolver, public TFieldFetcher {
 public:
  explicit TCursorColumns(TDataCursor& cursor) : FCursor(cursor) {}

  bool Resolve(TExpToken& column) override;
  void Fetch(const uint8_t* record, TExpToken& column) override;

 private:
  TDataCursor& FCursor;
};

}  // namespace sklad
