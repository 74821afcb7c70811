#include "HavingAggregates.h"

#include <utility>

#include "engine/expression/TreeWalk.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {
namespace {

bool IsAggregate(const TExpToken& node) {
  return node.Kind == TNodeKind::Function && node.Operator >= TOperator::Sum && node.Operator <= TOperator::Avg;
}

bool SameNode(const TExpToken& a, const TExpToken& b) {
  return a.Kind == b.Kind && a.Operator == b.Operator && SameName(a.ColumnName, b.ColumnName) &&
         SameName(a.CorrelationName, b.CorrelationName) && a.IsParameter == b.IsParameter &&
         a.CaseInsensitive == b.CaseInsensitive && a.PartialLength == b.PartialLength && a.IsNull == b.IsNull &&
         a.ValueType == b.ValueType && (a.Kind != TNodeKind::Constant || a.SourceText == b.SourceText);
}

// Whether two parsed trees are the same expression: the same shape, and node by node the same
// kind, operator, names, flags and constant. The two trees are walked side by side in a loop.
bool SameExpression(const TExpToken* a, const TExpToken* b) {
  TWalkStack<std::pair<const TExpToken*, const TExpToken*>> pending;
  pending.Push({a, b});
  while (!pending.Empty()) {
    const auto [x, y] = pending.Pop();
    if (!x || !y) {
      if (x != y) return false;
      continue;
    }
    if (!SameNode(*x, *y)) return false;
    pending.Push({x->Next, y->Next});
    pending.Push({x->Third, y->Third});
    pending.Push({x->Second, y->Second});
    pending.Push({x->First, y->First});
  }
  return true;
}

const TResultField* MatchingColumn(const TExpToken& aggregate, const std::vector<TResultField>& columns) {
  for (const TResultField& column : columns) {
    const TExpToken& item = *column.Expression;
    // The kind counts as well as the argument: MAX(x) is not answered by a MIN(x) column.
    if (column.Aggregate != TAggregateKind::None && item.Operator == aggregate.Operator &&
        SameExpression(item.First, aggregate.First))
      return &column;
  }
  return nullptr;
}

}  // namespace

// An aggregate becomes a column with nothing below it, so the walk does not enter its argument.
void ReplaceHavingAggregates(TExpToken& having, const std::vector<TResultField>& columns) {
  EachNode(&having, [&](TExpToken& node) {
    if (!IsAggregate(node)) return;
    const TResultField* column = MatchingColumn(node, columns);
    if (!column)
      RaiseEngineError(err::SqlError, {}, {}, "Expression in HAVING clause not found in source columns");
    TExpTree argument(node.First);
    node.First = nullptr;
    node.Kind = TNodeKind::Column;
    node.Operator = TOperator::None;
    node.ColumnName = column->Name;
    node.CorrelationName.clear();
    node.SourceText = column->Name;
  });
}

}  // namespace sklad
