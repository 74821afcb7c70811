#include "SelectPlan.h"

#include <algorithm>

#include "GroupAccumulator.h"
#include "JoinedRows.h"
#include "QueryStatement.h"
#include "ResultTable.h"
#include "StatementDirectories.h"
#include "SqlErrors.h"
#include "engine/expression/ComparisonTurn.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/expression/TreeWalk.h"
#include "engine/expression/ValueClasses.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

constexpr int kMaxIndexFields = 16;
constexpr uint32_t kLargestComputedString = 252;
constexpr uint32_t kLargestComputedBytes = 250;

bool IsAllColumns(const TExpToken& node) { return node.Kind == TNodeKind::Column && node.ColumnName == "*"; }


std::string_view OperatorText(TOperator op) {
  switch (op) {
    case TOperator::Greater: return ">";
    case TOperator::Less: return "<";
    case TOperator::GreaterOrEqual: return ">=";
    case TOperator::LessOrEqual: return "<=";
    case TOperator::Equal: return "=";
    default: return "<>";
  }
}

// A comparison with a constant on the left and columns on the right is turned round, through the
// logical operators from the root, so that the column stands on the left. The NULL constant stays
// where it is: no operator admits it on the left, and binding says so.
void PutColumnsLeft(TExpToken* root) {
  EachLogicalNode(root, [](TExpToken& node) {
    if (!node.IsComparison() || IsNullConstant(*node.First)) return;
    if (!ContainsColumn(node.First) && ContainsColumn(node.Second)) {
      TurnComparison(node);
      node.SourceText = OperatorText(node.Operator);
    }
  });
}

}  // namespace

TSelectPlan::TSelectPlan(TDataQuery& query, TDataDirectory& directory) : FQuery(query), FDirectory(directory) {}

// The result and the source cursors go before the directories they were opened in.
TSelectPlan::~TSelectPlan() {
  FResultTable.reset();
  FRows.reset();
  FSources.clear();
  FDirectories.reset();
}

void TSelectPlan::Plan(const std::function<bool()>& passwordCallback) {
  if (FQuery.HasGroupBy) FQuery.Distinct = false;
  FDirectories = std::make_unique<TStatementDirectories>(FDirectory);
  OpenSources(passwordCallback);
  FResolver = std::make_unique<TSourceResolver>(FSources);
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  ResolveSelectList();
  CheckGrouping();
  if (FQuery.RequestLive) MatchOrderBy();
  DecideLive();
  RewriteCondition();
  if (FLive)
    BuildView();
  else
    PlanMaterialised();
}

void TSelectPlan::OpenSources(const std::function<bool()>& passwordCallback) {
  for (auto& table : FQuery.Sources) {
    TQuerySource source;
    source.Table = table.get();
    source.Cursor = std::make_unique<TDataCursor>(FDirectories->Of(*table));
    source.Cursor->SetTableName(table->TableName);
    source.Cursor->SetInMemory(table->InMemory);
    source.Cursor->SetReadOnly(!FQuery.RequestLive);
    if (passwordCallback) source.Cursor->SetPasswordCallback(passwordCallback);
    source.Cursor->Open();
    FSources.push_back(std::move(source));
  }
}

void TSelectPlan::ExpandAllColumns(TResultField& item, std::vector<TResultField>& expanded) {
  const TExpToken& node = *item.Expression;
  if (item.AliasGiven)
    RaiseSql("Invalid use of column correlation name '" + item.Alias + "' for '" + node.SourceText +
             "' specified in source columns");
  bool found = false;
  for (TQuerySource& source : FSources) {
    if (!node.CorrelationName.empty() && !SameName(node.CorrelationName, source.Table->CorrelationName)) continue;
    found = true;
    for (int n = 1; n <= source.Cursor->TableFieldCount(); ++n) {
      TResultField column;
      column.ColumnName = source.Cursor->TableField(n).Name();
      column.CorrelationName = source.Table->CorrelationName;
      column.Expression = TakeNode();
      column.Expression->Kind = TNodeKind::Column;
      column.Expression->ColumnName = column.ColumnName;
      column.Expression->CorrelationName = column.CorrelationName;
      column.Expression->SourceText = column.ColumnName;
      expanded.push_back(std::move(column));
    }
  }
  if (!found) RaiseSql(InvalidColumn("*", node.CorrelationName, "source columns"));
}

void TSelectPlan::ResolveSelectList() {
  std::vector<TResultField> expanded;
  for (TResultField& item : FQuery.Columns) {
    if (IsAllColumns(*item.Expression)) {
      ExpandAllColumns(item, expanded);
    } else {
      expanded.push_back(std::move(item));
    }
  }
  FQuery.Columns = std::move(expanded);
  if (static_cast<int>(FQuery.Columns.size()) > kMaxResultColumns)
    RaiseSql("Maximum number of columns (1024) in result set exceeded");
  const bool anyAggregate = std::ranges::any_of(FQuery.Columns, [](auto& c) { return c.Aggregate != TAggregateKind::None; });
  const bool anyPlain = std::ranges::any_of(FQuery.Columns, [](auto& c) { return c.Aggregate == TAggregateKind::None; });
  if (anyAggregate && anyPlain && !FQuery.HasGroupBy)
    RaiseSql("Invalid use of aggregate function(s), the necessary GROUP BY clause is missing");
  FAggregateOnly = anyAggregate && !anyPlain && !FQuery.HasGroupBy;
  for (TResultField& item : FQuery.Columns) {
    if (item.Computed) {
      BindComputedColumn(item);
      continue;
    }
    TDataCursor::TOwnField field;
    // COUNT(*) counts rows: it names no column.
    if (item.Aggregate == TAggregateKind::Count && item.ColumnName == "*") {
      FColumns.push_back(field);
      continue;
    }
    TExpToken column;
    column.ColumnName = item.ColumnName;
    column.CorrelationName = item.CorrelationName;
    if (!FResolver->Resolve(column)) RaiseSql(InvalidColumn(item.ColumnName, item.CorrelationName, "source columns"));
    field.SourceField = column.FieldNumber;
    // Aggregates come from a copy: their columns only need to exist here.
    if (column.Source == FSources.front().Cursor.get()) field.Definition = FSources.front().Cursor->TableField(column.FieldNumber);
    FColumns.push_back(field);
  }
  NameResultColumns(FQuery.Columns);
  for (size_t i = 0; i < FColumns.size(); ++i) FColumns[i].Definition.SetName(FQuery.Columns[i].Name);
}

void TSelectPlan::BindComputedColumn(TResultField& item) {
  // A bound copy: the parsed item stays as written, for matching the aggregates of HAVING.
  TExpressionBinder binder(err::SqlError, "", "source column expression", *FResolver);
  FBoundColumns.resize(FQuery.Columns.size());
  TExpTree& bound = FBoundColumns[static_cast<size_t>(&item - FQuery.Columns.data())];
  bound = binder.BindCopy(*item.Expression, false);
  const TExpToken* root = bound.get();
  const auto type = static_cast<TFieldType>(root->ValueType);
  const bool bytes = type == TFieldType::Bytes || type == TFieldType::VarBytes;
  if ((type == TFieldType::String && root->Size >= kLargestComputedString) || (bytes && root->Size > kLargestComputedBytes))
    RaiseSql("Column expression '" + item.ExpressionText + "' exceeds the maximum allowable field size");
  FComputedBlob = FComputedBlob || type == TFieldType::Blob;
  TDataCursor::TOwnField field;
  const int declared = type == TFieldType::String ? static_cast<int>(root->Size) - 1 : bytes ? static_cast<int>(root->Size) : 0;
  field.Definition = TFieldDefinition::Make("", type, declared, root->SubType, root->Scale);
  field.Expression = root;
  FColumns.push_back(field);
}

void TSelectPlan::CheckGrouping() {
  if (!FQuery.HasGroupBy && FQuery.HasHaving) RaiseSql("A GROUP BY clause must exist in order to use the HAVING clause");
}

void TSelectPlan::MatchOrderBy() {
  if (!FQuery.HasOrderBy) return;
  // Each ORDER BY item as a field of the first table; 0 for a computed column or another table's.
  std::vector<int> fields;
  bool anyString = false;
  for (const TOrderByField& item : FQuery.OrderBy) {
    int column = item.ColumnNumber;
    if (column != 0 && (column < 1 || column > static_cast<int>(FQuery.Columns.size())))
      RaiseSql(InvalidNumber(column, "ORDER BY clause"));
    if (column == 0 && item.CorrelationName.empty()) {
      for (size_t i = 0; i < FQuery.Columns.size() && column == 0; ++i)
        if (SameName(FQuery.Columns[i].Name, item.ColumnName)) column = static_cast<int>(i) + 1;
    }
    int fieldNo = 0;
    const TDataCursor* cursor = nullptr;
    if (column != 0) {
      // Plain columns of a one-table statement are that table's fields.
      const auto at = static_cast<size_t>(column - 1);
      const bool plain = !FColumns[at].Expression && FQuery.Columns[at].Aggregate == TAggregateKind::None;
      fieldNo = plain && FSources.size() == 1 ? FColumns[at].SourceField : 0;
      cursor = FSources.front().Cursor.get();
    } else {
      TExpToken node;
      node.ColumnName = item.ColumnName;
      node.CorrelationName = item.CorrelationName;
      if (!FResolver->Resolve(node)) RaiseSql(InvalidColumn(item.ColumnName, item.CorrelationName, "ORDER BY clause"));
      fieldNo = node.FieldNumber;
      cursor = static_cast<const TDataCursor*>(node.Source);
    }
    if (cursor != FSources.front().Cursor.get()) fieldNo = 0;
    if (fieldNo != 0) anyString = anyString || cursor->TableField(fieldNo).Type() == TFieldType::String;
    fields.push_back(fieldNo);
  }
  if (std::ranges::find(fields, 0) != fields.end() || static_cast<int>(fields.size()) > kMaxIndexFields) return;
  const bool allDescending = std::ranges::all_of(FQuery.OrderBy, [](auto& item) { return item.Descending; });
  const TIndexFile& indexes = FSources.front().Cursor->Table()->Index();
  for (int slot = indexes.NoPrimaryKey() ? 1 : 0; slot <= indexes.SecondaryCount(); ++slot) {
    const TIndexDefinition index = indexes.Definition(slot);
    if (index.FieldCount() < fields.size() || index.Descending() != allDescending) continue;
    if (anyString && index.CaseInsensitive() != FQuery.OrderByNoCase) continue;
    bool matches = true;
    for (size_t i = 0; i < fields.size() && matches; ++i)
      matches = index.FieldNumber(static_cast<int>(i)) == fields[i] &&
                index.FieldDescending(static_cast<int>(i)) == FQuery.OrderBy[i].Descending;
    if (!matches) continue;
    FOrderServedByIndex = true;
    FOrderingIndex = slot;
    return;
  }
}

void TSelectPlan::DecideLive() {
  FLive = FQuery.RequestLive && FQuery.ResultTableName.empty() && !FQuery.Distinct && FSources.size() == 1 &&
          !FQuery.SeveralTables && !FQuery.HasGroupBy && !FAggregateOnly && !FQuery.HasHaving && !FComputedBlob &&
          (!FQuery.HasOrderBy || FOrderServedByIndex) && !(FQuery.IsSubSelect && FQuery.HasComputedColumns);
}

void TSelectPlan::RewriteCondition() {
  if (!FQuery.Condition) return;
  EachNode(FQuery.Condition.get(), [&](TExpToken& node) {
    if (node.Kind != TNodeKind::Column || node.CorrelationName.empty()) return;
    const bool known = std::ranges::any_of(FSources, [&](const TQuerySource& source) {
      return SameName(source.Table->CorrelationName, node.CorrelationName);
    });
    if (!known)
      RaiseSql("Table correlation name '" + node.CorrelationName +
               "' referenced in WHERE clause is not defined in the FROM clause");
  });
  PutColumnsLeft(FQuery.Condition.get());
}

void TSelectPlan::BuildView() {
  TDataCursor& cursor = *FSources.front().Cursor;
  // A view that shows the table's own fields in their own order under their own names needs no
  // definitions of its own.
  bool sameAsTable = static_cast<int>(FColumns.size()) == cursor.TableFieldCount();
  for (size_t i = 0; i < FColumns.size() && sameAsTable; ++i)
    sameAsTable = FColumns[i].SourceField == static_cast<int>(i) + 1 &&
                  FQuery.Columns[i].Name == cursor.TableField(static_cast<int>(i) + 1).Name();
  if (!sameAsTable) cursor.SetOwnFieldDefinitions(FColumns);
  FResult = &cursor;
}

TDataCursor* TSelectPlan::Execute(const TSqlProgress& progress) {
  if (!FLive) return ExecuteMaterialised(progress);
  TQuerySource& base = FSources.front();
  RemoveCondition(base);
  TExpTree condition = BindCondition(FQuery.Condition.get(), *FResolver, FDirectory);
  TDataCursor& cursor = *base.Cursor;
  cursor.Refresh();
  cursor.SelectIndex(FOrderingIndex);
  if (condition) PlaceCondition(base, *condition);
  cursor.First();
  FRowsAffected = cursor.GetRecordCount();
  return FResult;
}

}  // namespace sklad
