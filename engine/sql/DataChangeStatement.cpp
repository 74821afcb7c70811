#include "DataChangeStatement.h"

#include <algorithm>

#include "ChangeTransaction.h"
#include "JoinedRows.h"
#include "SelectPlan.h"
#include "SqlErrors.h"
#include "StatementDirectories.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {

TDataChangeStatement::TDataChangeStatement(TDataQuery& query, TDataDirectory& directory)
    : FQuery(query), FDirectory(directory), FDirectories(std::make_unique<TStatementDirectories>(directory)) {}

// The row source's and the joined rows' cursors go before the target's.
TDataChangeStatement::~TDataChangeStatement() {
  FRowSource.reset();
  FRows.reset();
}

void TDataChangeStatement::Plan(const std::function<bool()>& passwordCallback) {
  OpenTarget(passwordCallback);
  FResolver = std::make_unique<TSourceResolver>(FSources);
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  if (FQuery.Kind != TStatementKind::Delete) ResolveTargets();
  if (FQuery.Kind == TStatementKind::Insert && FQuery.RowSource) {
    FRowSource = std::make_unique<TSelectPlan>(*FQuery.RowSource, FDirectory);
    FRowSource->Plan(passwordCallback);
    return;
  }
  BindValues();
  if (FQuery.Kind != TStatementKind::Insert) {
    FRows = std::make_unique<TJoinedRows>(FQuery, FSources, *FResolver, FDirectory);
    FRows->Plan();
  }
}

void TDataChangeStatement::OpenTarget(const std::function<bool()>& passwordCallback) {
  TSourceTable& table = *FQuery.Sources.front();
  FTargetDirectory = &FDirectories->Of(table);
  TQuerySource source;
  source.Table = &table;
  source.Cursor = std::make_unique<TDataCursor>(*FTargetDirectory);
  source.Cursor->SetTableName(table.TableName);
  source.Cursor->SetInMemory(table.InMemory);
  if (passwordCallback) source.Cursor->SetPasswordCallback(passwordCallback);
  source.Cursor->Open();
  FSources.push_back(std::move(source));
}

void TDataChangeStatement::ResolveTargets() {
  const TDataCursor& cursor = Target();
  std::vector<TUpdateField>& fields = FQuery.Targets;
  // Without a column list the targets are every column of the table in field order: a parsed
  // VALUES list stands in the targets without names.
  const bool columnList = !fields.empty() && !fields.front().ColumnName.empty();
  if (!columnList) {
    for (int n = 1; n <= cursor.TableFieldCount(); ++n)
      FTargets.push_back({n, cursor.TableField(n).Name(), nullptr});
    if (FQuery.RowSource == nullptr && fields.size() != FTargets.size())
      RaiseSql("The number of values must match the number of table columns");
    for (size_t i = 0; i < fields.size(); ++i) FTargets[i].Value = fields[i].Value.get();
    return;
  }
  for (TUpdateField& field : fields) {
    // Values beyond the column list stand in targets without names.
    if (field.ColumnName.empty()) continue;
    TExpToken column;
    column.ColumnName = field.ColumnName;
    column.CorrelationName = field.CorrelationName;
    if (!FResolver->Resolve(column))
      RaiseSql(InvalidColumn(field.ColumnName, field.CorrelationName, "table columns"));
    field.FieldNumber = column.FieldNumber;
    FTargets.push_back({column.FieldNumber, field.ColumnName, field.Value.get()});
  }
  const bool everyValue = std::ranges::all_of(fields, [](const TUpdateField& f) { return f.Value && !f.ColumnName.empty(); });
  if (FQuery.RowSource == nullptr && !everyValue)
    RaiseSql("The number of values must match the number of table columns");
}

void TDataChangeStatement::BindValues() {
  // INSERT values name no column; UPDATE values may name the columns of the row they change.
  TNoColumns noColumns;
  TColumnResolver& resolver = FQuery.Kind == TStatementKind::Insert ? static_cast<TColumnResolver&>(noColumns) : *FResolver;
  for (size_t i = 0; i < FTargets.size(); ++i) {
    TExpTree& value = FQuery.Targets[i].Value;
    BindTargetValue(value, resolver, Target().TableField(FTargets[i].FieldNumber), FTargets[i].ColumnName);
    // Binding may have put a new root in place.
    FTargets[i].Value = value.get();
  }
}

int TDataChangeStatement::RecordLength() const { return Target().Table()->Data().RecordSize(); }

TDataCursor* TDataChangeStatement::Execute(const TSqlProgress& progress) {
  FRowsAffected = 0;
  switch (FQuery.Kind) {
    case TStatementKind::Insert:
      if (FRowSource)
        InsertSelected(progress);
      else
        InsertValues();
      break;
    case TStatementKind::Update: UpdateRecords(progress); break;
    default: DeleteRecords(progress); break;
  }
  return nullptr;
}

}  // namespace sklad
