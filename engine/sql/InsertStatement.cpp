// INSERT: one record from VALUES, or the rows of a SELECT appended in the transaction scheme.
#include <algorithm>

#include "ChangeTransaction.h"
#include "DataChangeStatement.h"
#include "SelectPlan.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

// A value of the current row of a result cursor, as evaluation would give it: a BLOB value with
// its whole content and its length as size.
TExpTree ResultValue(TDataCursor& rows, int fieldNo) {
  TExpTree value = TakeNode();
  const TFieldDefinition& field = rows.TableField(fieldNo);
  value->Kind = TNodeKind::Constant;
  value->ValueType = static_cast<uint8_t>(field.Type());
  value->SubType = field.Subtype();
  value->Scale = static_cast<uint8_t>(field.Scale());
  std::vector<uint8_t> record(rows.CurrentRecord());
  if (field.Type() != TFieldType::Blob) {
    value->Size = static_cast<uint32_t>(field.StoredSize());
    value->Reserve(value->Size + 1);
    value->IsNull = rows.GetTableField(fieldNo, record.data(), value->Value.data());
    return value;
  }
  value->IsNull = rows.GetTableField(fieldNo, record.data(), nullptr);
  if (value->IsNull) return value;
  const std::vector<uint8_t> bytes = rows.ReadWholeTableBlob(fieldNo, record.data());
  value->Reserve(static_cast<uint32_t>(bytes.size()) + 1);
  std::copy(bytes.begin(), bytes.end(), value->Value.begin());
  value->Value[bytes.size()] = 0;
  value->Size = static_cast<uint32_t>(bytes.size());
  return value;
}

}  // namespace

void TDataChangeStatement::InsertRecord(std::vector<uint8_t>& record, const std::function<void()>& fill) {
  try {
    fill();
    Target().InsertRecord(record.data(), false);
  } catch (...) {
    Target().FreeBlobBuffers(false);
    throw;
  }
}

void TDataChangeStatement::InsertValues() {
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  TDataCursor& cursor = Target();
  cursor.SetUserRecordIds(FQuery.NoAutoIncrement);
  TValueWriter writer(cursor, "INSERT", FQuery.NoAutoIncrement);
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.InitRecord(record.data());
  const TEvaluationContext context{session.LanguageId, session.SortId, nullptr};
  InsertRecord(record, [&] {
    for (const TChangeTarget& target : FTargets) {
      TExpTree value = Evaluate(*target.Value, nullptr, context);
      writer.Put(target.FieldNumber, record.data(), *value, target.Value->SourceText);
    }
  });
  FRowsAffected = 1;
}

void TDataChangeStatement::CheckSelectedColumns(TDataCursor& rows) const {
  if (rows.FieldCount() != static_cast<int>(FTargets.size()))
    RaiseEngineError(err::SqlError, {}, {}, "The number of values must match the number of table columns");
  for (size_t i = 0; i < FTargets.size(); ++i) {
    const TFieldDefinition& field = rows.TableField(static_cast<int>(i) + 1);
    TExpToken column;
    column.Kind = TNodeKind::Column;
    column.SourceText = field.Name();
    DescribeColumn(column, field);
    CheckAssignable(Target().TableField(FTargets[i].FieldNumber), FTargets[i].ColumnName, column);
  }
}

void TDataChangeStatement::InsertSelected(const TSqlProgress& progress) {
  TDataCursor& rows = *FRowSource->Execute(progress);
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  CheckSelectedColumns(rows);
  TDataCursor& cursor = Target();
  cursor.SetUserRecordIds(FQuery.NoAutoIncrement);
  TValueWriter writer(cursor, "INSERT", FQuery.NoAutoIncrement);
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  TChangeTransaction transaction(*FTargetDirectory, CommitInterval(), RecordLength());
  rows.First();
  while (rows.ReadNext(nullptr) == cursor_status::Ok) {
    cursor.InitRecord(record.data());
    InsertRecord(record, [&] {
      for (size_t i = 0; i < FTargets.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        TExpTree value = ResultValue(rows, column);
        writer.Put(FTargets[i].FieldNumber, record.data(), *value, rows.TableField(column).Name());
      }
    });
    ++FRowsAffected;
    transaction.RecordChanged();
  }
  transaction.Finish();
}

}  // namespace sklad
