// TSubSelectRows: the rows of an IN (SELECT ...) operand as binding and evaluation ask about
// them — the first result column described from the sub-select's plan, and after each execution
// the sorted values of that column, searched for a subject.
#pragma once

#include <vector>

#include "StatementRunner.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionEvaluator.h"

namespace sklad {

class TDataQuery;

class TSubSelectRows final : public TBoundSubQuery, public TEvaluatedSubQuery {
 public:
  // The sub-select's processor and its runner; values compare under the session's locale.
  TSubSelectRows(const TDataQuery& query, TStatementRunner& runner, uint16_t language, uint16_t sort);

  int ResultColumnCount() const override;
  bool DescribeFirstColumn(TExpToken& node) const override;

  // Runs the sub-select and keeps its first column's values.
  void Execute(const TSqlProgress& progress);
  // Whether a row's column equals the value, under = (a NULL value equals a NULL column).
  bool Contains(const TExpToken& value) override;

 private:
  void TakeValue(TDataCursor& result);

  const TDataQuery& FQuery;
  TStatementRunner& FRunner;
  TEvaluationContext FContext;
  std::vector<TExpTree> FValues;  // the non-null values, ascending
  bool FHasNull = false;
};

}  // namespace sklad
