// Planning of a SELECT whose result is a copy: the join checks, the aggregate columns bound for
// their types, HAVING matched to the aggregate result columns, ORDER BY, GROUP BY and DISTINCT
// resolved to result columns, and the result table defined and created.
#include <algorithm>

#include "ClauseReader.h"
#include "GroupAccumulator.h"
#include "HavingAggregates.h"
#include "JoinedRows.h"
#include "QueryStatement.h"
#include "ResultTable.h"
#include "SelectPlan.h"
#include "StatementDirectories.h"
#include "SqlErrors.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

constexpr int kMaxListColumns = 1024;
constexpr int32_t kResultBlobBlockSize = 512;
constexpr const char* kAverageCountName = "Sys__Avg__Count";

}  // namespace

void TSelectPlan::PlanMaterialised() {
  FRows = std::make_unique<TJoinedRows>(FQuery, FSources, *FResolver, FDirectory);
  FRows->Plan();
  BindAggregateColumns();
  PlanColumnFills();
  TTableDefinition definition = ResultDefinition();
  if (FQuery.Having) ReplaceHavingAggregates(*FQuery.Having, FQuery.Columns);
  if (FQuery.HasOrderBy) {
    if (static_cast<int>(FQuery.OrderBy.size()) > kMaxListColumns)
      RaiseSql("Maximum number of columns (1024) in ORDER BY clause exceeded");
    FOrderColumns = ResolveColumnList(FQuery.OrderBy, "ORDER BY clause", definition);
  }
  if (FQuery.HasGroupBy) {
    if (static_cast<int>(FQuery.GroupBy.size()) > kMaxListColumns)
      RaiseSql("Maximum number of columns (1024) in GROUP BY clause exceeded");
    FGroupColumns = ResolveColumnList(FQuery.GroupBy, "GROUP BY clause", definition);
  }
  if (FQuery.Distinct) CheckDistinct(definition);
  FOrderSatisfied = OrderAlreadySatisfied();
  CreateResultTable(std::move(definition));
  BindHaving();
}

// Aggregates over a plain column were only looked up; bound, they give the column its type (and
// raise the binder's message for an argument they cannot take).
void TSelectPlan::BindAggregateColumns() {
  FBoundColumns.resize(FQuery.Columns.size());
  TExpressionBinder binder(err::SqlError, "", "source column expression", *FResolver);
  for (size_t i = 0; i < FQuery.Columns.size(); ++i) {
    const TResultField& item = FQuery.Columns[i];
    if (item.Aggregate == TAggregateKind::None || FBoundColumns[i]) continue;
    FBoundColumns[i] = binder.BindCopy(*item.Expression, false);
  }
}

void TSelectPlan::PlanColumnFills() {
  const int columnCount = static_cast<int>(FQuery.Columns.size());
  int nextCount = columnCount;
  for (int i = 0; i < columnCount; ++i) {
    const TResultField& item = FQuery.Columns[static_cast<size_t>(i)];
    TColumnFill fill;
    fill.Field = i + 1;
    fill.Aggregate = item.Aggregate;
    if (item.Aggregate == TAggregateKind::None && !item.Computed) {
      TExpToken column;
      column.ColumnName = item.ColumnName;
      column.CorrelationName = item.CorrelationName;
      FResolver->Resolve(column);
      const auto at = std::ranges::find_if(FSources, [&](const TQuerySource& s) { return s.Cursor.get() == column.Source; });
      fill.Source = &*at;
      fill.SourceField = column.FieldNumber;
      fill.Blob = at->Cursor->TableField(column.FieldNumber).Type() == TFieldType::Blob;
    } else {
      const TExpToken& bound = *FBoundColumns[static_cast<size_t>(i)];
      // An aggregate's rows carry its argument; COUNT(*) counts every row.
      const TExpToken* value = item.Aggregate == TAggregateKind::None ? &bound : bound.First;
      fill.Value = value && value->ColumnName == "*" ? nullptr : value;
      // An aggregate over a plain column reads the column's stored value straight from its row.
      if (!item.Computed && fill.Value) {
        fill.Source = &*std::ranges::find_if(FSources, [&](const TQuerySource& s) { return s.Cursor.get() == value->Source; });
        fill.SourceField = value->FieldNumber;
      }
      fill.Blob = item.Aggregate == TAggregateKind::None && static_cast<TFieldType>(bound.ValueType) == TFieldType::Blob;
      if (item.Aggregate == TAggregateKind::Avg) fill.CountField = ++nextCount;
    }
    FFills.push_back(fill);
  }
}

TFieldDefinition TSelectPlan::ResultField(size_t column) const {
  const TResultField& item = FQuery.Columns[column];
  const TColumnFill& fill = FFills[column];
  TFieldDefinition field;
  if (item.Aggregate == TAggregateKind::None && fill.Source) {
    field = fill.Source->Cursor->TableField(fill.SourceField);
    if (field.IsAutoIncrement()) field.SetSubtype(subtype::None);
    // A copy: a row of an outer join may leave a required column empty.
    field.SetRequired(false);
    field.SetNumber(0);
    field.SetOffset(0);
  } else {
    const TExpToken& bound = *FBoundColumns[column];
    auto type = static_cast<TFieldType>(bound.ValueType);
    uint8_t sub = bound.SubType;
    // Values of an auto-increment column are plain integers in the copy.
    if (sub == subtype::AutoIncrement) sub = subtype::None;
    if (item.Aggregate == TAggregateKind::Avg) type = TFieldType::Float, sub = subtype::None;
    if (item.Aggregate == TAggregateKind::Sum && (type == TFieldType::SmallInt || type == TFieldType::Word))
      type = TFieldType::Integer;
    const bool bytes = type == TFieldType::Bytes || type == TFieldType::VarBytes;
    const int declared =
        type == TFieldType::String ? static_cast<int>(bound.Size) - 1 : bytes ? static_cast<int>(bound.Size) : 0;
    field = TFieldDefinition::Make("", type, declared, sub, type == TFieldType::BCD ? bound.Scale : 0);
  }
  field.SetName(item.Name);
  return field;
}

TTableDefinition TSelectPlan::ResultDefinition() const {
  TTableDefinition definition;
  const TDataCursor& first = *FSources.front().Cursor;
  TTableProperties& properties = definition.Properties;
  properties.Language = FQuery.LanguageGiven ? FQuery.ResultLanguage : first.Table()->Data().Language();
  properties.Sort = FQuery.LanguageGiven ? FQuery.ResultSort : first.Table()->Data().Sort();
  properties.Encrypted = FQuery.Encrypted;
  properties.Password = FQuery.Encrypted ? FQuery.Password : std::string();
  properties.BlobBlockSize = kResultBlobBlockSize;
  for (size_t i = 0; i < FQuery.Columns.size(); ++i) definition.Fields.Add(ResultField(i));
  for (const TColumnFill& fill : FFills) {
    if (fill.CountField == 0) continue;
    TFieldDefinition count =
        TFieldDefinition::Make(kAverageCountName + std::to_string(fill.Field), TFieldType::Integer);
    count.SetHiddenFromDataSet(true);
    definition.Fields.Add(count);
  }
  return definition;
}

// The result column an ORDER BY or GROUP BY item names: by number; by the name of a result
// column; or as a source column that a plain result column copies.
int TSelectPlan::ResultColumnOf(const TOrderByField& item, std::string_view clause) const {
  const int count = static_cast<int>(FQuery.Columns.size());
  if (item.ColumnNumber != 0) {
    if (item.ColumnNumber < 1 || item.ColumnNumber > count) RaiseSql(InvalidNumber(item.ColumnNumber, clause));
    return item.ColumnNumber;
  }
  if (item.CorrelationName.empty()) {
    for (int i = 0; i < count; ++i)
      if (SameName(FQuery.Columns[static_cast<size_t>(i)].Name, item.ColumnName)) return i + 1;
  }
  TExpToken column;
  column.ColumnName = item.ColumnName;
  column.CorrelationName = item.CorrelationName;
  if (FResolver->Resolve(column)) {
    for (int i = 0; i < count; ++i) {
      const TColumnFill& fill = FFills[static_cast<size_t>(i)];
      if (fill.Aggregate == TAggregateKind::None && fill.Source && fill.Source->Cursor.get() == column.Source &&
          fill.SourceField == column.FieldNumber)
        return i + 1;
    }
  }
  RaiseSql(InvalidColumn(item.ColumnName, item.CorrelationName, clause));
}

std::vector<int> TSelectPlan::ResolveColumnList(const std::vector<TOrderByField>& items, std::string_view clause,
                                                const TTableDefinition& definition) const {
  const bool groupBy = clause == "GROUP BY clause";
  std::vector<int> columns;
  for (const TOrderByField& item : items) {
    const int column = ResultColumnOf(item, clause);
    const TFieldDefinition& field = definition.Fields[column - 1];
    if (field.Type() == TFieldType::Blob)
      RaiseSql(groupBy ? "Invalid BLOB column '" + field.Name() + "' specified in GROUP BY clause"
                       : InvalidNumber(column, clause));
    columns.push_back(column);
  }
  return columns;
}

void TSelectPlan::CheckDistinct(const TTableDefinition& definition) const {
  if (static_cast<int>(FQuery.Columns.size()) > kMaxListColumns)
    RaiseSql("Maximum number of columns (1024) in DISTINCT clause exceeded");
  for (size_t i = 0; i < FQuery.Columns.size(); ++i)
    if (definition.Fields[i].Type() == TFieldType::Blob)
      RaiseSql("Invalid BLOB column '" + definition.Fields[i].Name() + "' specified in DISTINCT clause");
}

// The grouping or de-duplicating sort leaves the rows ordered by its columns, ascending and with
// letter case counting: an ORDER BY asking for just that needs no sort of its own.
bool TSelectPlan::OrderAlreadySatisfied() const {
  if (!FQuery.HasOrderBy || FQuery.OrderByNoCase) return false;
  if (std::ranges::any_of(FQuery.OrderBy, [](const TOrderByField& item) { return item.Descending; })) return false;
  if (FQuery.HasGroupBy) return FOrderColumns == FGroupColumns;
  if (!FQuery.Distinct || FOrderColumns.size() != FQuery.Columns.size()) return false;
  for (size_t i = 0; i < FOrderColumns.size(); ++i)
    if (FOrderColumns[i] != static_cast<int>(i) + 1) return false;
  return true;
}

void TSelectPlan::CreateResultTable(TTableDefinition definition) {
  FResultLanguage = definition.Properties.Language;
  FResultSort = definition.Properties.Sort;
  TDataDirectory* directory = &FDirectories->Private();
  std::string name = FQuery.ResultTableName;
  if (!name.empty()) {
    TSourceTable target;
    target.InMemory = FQuery.ResultInMemory;
    sql::SetTableName(target, name);
    name = target.TableName;
    if (!target.Directory.empty() && !target.InMemory) directory = &FDirectories->Of(target);
  }
  const bool inMemory = FQuery.ResultInMemory;
  if (inMemory) directory = &FDirectory;
  FResultTable = std::make_unique<TResultTable>(*directory, name, inMemory, std::move(definition));
  FResult = &FResultTable->Cursor();
  // The aggregate columns with their places in the record, as the created table laid it out.
  std::vector<TAggregateField> aggregates;
  for (const TColumnFill& fill : FFills) {
    if (fill.Aggregate == TAggregateKind::None) continue;
    TAggregateField aggregate;
    aggregate.Kind = fill.Aggregate;
    aggregate.Field = FResult->TableField(fill.Field);
    if (fill.CountField != 0) aggregate.Count = FResult->TableField(fill.CountField);
    aggregates.push_back(aggregate);
  }
  FAccumulator = std::make_unique<TGroupAccumulator>(std::move(aggregates));
}

// HAVING, its aggregates already replaced by result columns, bound over the result table.
void TSelectPlan::BindHaving() {
  if (!FQuery.Having) return;
  TExpressionBinder binder(err::SqlError, "", "HAVING clause", FResult->Columns());
  FHaving = binder.BindCopy(*FQuery.Having, true);
  if (static_cast<TFieldType>(FHaving->ValueType) != TFieldType::Boolean)
    RaiseSql("HAVING clause must be a boolean expression");
}

}  // namespace sklad
