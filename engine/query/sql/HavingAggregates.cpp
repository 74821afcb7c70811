#include "HavingAggregates.h"

#include "engine/storage/EngineError.h"
#include "engine/storage/TableNames.h"

namespace sklad {
namespace {

bool IsAggregate(const TExpToken& node) {
  return node.Kind == TNodeKind::Function && node.Operator >= TOperator::Sum && node.Operator <= TOperator::Avg;
}

// Whether two parsed trees are the same expression: the same shape, and node by node the same
// kind, operator, names, flags and constant.
bool SameExpression(const TExpToken* a, const TExpToken* b) {
  if (!a || !b) return a == b;
  const bool sameNode = a->Kind == b->Kind && a->Operator == b->Operator && SameName(a->ColumnName, b->ColumnName) &&
                        SameName(a->CorrelationName, b->CorrelationName) && a->IsParameter == b->IsParameter &&
                        a->CaseInsensitive == b->CaseInsensitive && a->PartialLength == b->PartialLength &&
                        a->IsNull == b->IsNull && a->ValueType == b->ValueType &&
                        (a->Kind != TNodeKind::Constant || a->SourceText == b->SourceText);
  return sameNode && SameExpression(a->First, b->First) && SameExpression(a->Second, b->Second) &&
         SameExpression(a->Third, b->Third) && SameExpression(a->Next, b->Next);
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

void Replace(TExpToken* node, const std::vector<TResultField>& columns) {
  for (; node; node = node->Next) {
    if (!IsAggregate(*node)) {
      Replace(node->First, columns);
      Replace(node->Second, columns);
      Replace(node->Third, columns);
      continue;
    }
    const TResultField* column = MatchingColumn(*node, columns);
    if (!column)
      RaiseEngineError(err::SqlError, {}, {}, "Expression in HAVING clause not found in source columns");
    TExpTree argument(node->First);
    node->First = nullptr;
    node->Kind = TNodeKind::Column;
    node->Operator = TOperator::None;
    node->ColumnName = column->Name;
    node->CorrelationName.clear();
    node->SourceText = column->Name;
  }
}

}  // namespace

void ReplaceHavingAggregates(TExpToken& having, const std::vector<TResultField>& columns) {
  Replace(&having, columns);
}

}  // namespace sklad
