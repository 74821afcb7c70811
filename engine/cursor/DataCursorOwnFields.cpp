// The fields a cursor shows in place of its table's: stored fields under other names and in
// another order, and fields computed per record. A live SQL result is such a view on the base
// table's cursor: the stored fields are read where the record already holds them.
#include <algorithm>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "TableDefinitionCheck.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {

void TDataCursor::SetOwnFieldDefinitions(const std::vector<TOwnField>& fields) {
  if (!FActive) RaiseEngineError(err::TableInUse, FTableName);
  TSystemList<TFieldDefinition> definitions;
  std::vector<int> sources;
  std::vector<TExpTree> expressions;
  int recordSize = FStoredRecordSize;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TOwnField& own = fields[i];
    TFieldDefinition definition = own.Definition;
    definition.SetNumber(static_cast<uint16_t>(i + 1));
    if (own.Expression != nullptr) {
      definition.SetNoStorage(true);
      definition.DeriveStoredSize();
      definition.SetOffset(static_cast<uint16_t>(recordSize));
      recordSize += definition.StoredSize() + 1;
      expressions.push_back(CopyTree(*own.Expression));
      sources.push_back(0);
    } else {
      // A stored field keeps the table's layout: its value is read where the record holds it.
      const TFieldDefinition& stored = TableField(own.SourceField);
      const std::string name = definition.Name();
      definition = stored;
      definition.SetName(name);
      definition.SetNumber(static_cast<uint16_t>(i + 1));
      expressions.emplace_back();
      sources.push_back(own.SourceField);
    }
    definitions.Add(definition);
  }
  TDefinitionCheckOptions check;
  check.TableName = FTableName;
  check.Language = FTable->Data().Language();
  check.Sort = FTable->Data().Sort();
  check.ResultTable = true;
  check.AssignOffsets = false;
  ValidateFieldDefinitions(definitions, check);
  FOwnFields = std::move(definitions);
  FOwnSources = std::move(sources);
  FOwnExpressions = std::move(expressions);
  FOwnFieldDefinitions = true;
  FHasComputedFields = std::ranges::any_of(FOwnExpressions, [](const TExpTree& e) { return e != nullptr; });
  FRecordSize = recordSize;
  FCurrentRecord.assign(static_cast<size_t>(FRecordSize), 0);
  Reading([&] {
    LoadCurrentRecord(1);
    return 0;
  });
}

void TDataCursor::DropOwnFields() {
  FOwnFields.Clear();
  FOwnSources.clear();
  FOwnExpressions.clear();
  FOwnFieldDefinitions = false;
  FHasComputedFields = false;
}

std::vector<TDataCursor::TOwnField> TDataCursor::OwnFieldList() const {
  std::vector<TOwnField> fields;
  for (int i = 0; i < FOwnFields.Count(); ++i)
    fields.push_back({FOwnFields[i], FOwnSources[static_cast<size_t>(i)], FOwnExpressions[static_cast<size_t>(i)].get()});
  return fields;
}

// ---- The shown fields ----

int TDataCursor::TableFieldNumber(int fieldNo) const {
  if (!FOwnFieldDefinitions) return fieldNo;
  if (fieldNo < 1 || fieldNo > FOwnFields.Count()) RaiseEngineError(err::InvalidField, FTableName, {}, std::to_string(fieldNo));
  return FOwnSources[static_cast<size_t>(fieldNo - 1)];
}

const TFieldDefinition& TDataCursor::GetFieldDefinition(int fieldNo) const {
  if (!FOwnFieldDefinitions) return TableField(fieldNo);
  if (fieldNo < 1 || fieldNo > FOwnFields.Count()) RaiseEngineError(err::InvalidField, FTableName, {}, std::to_string(fieldNo));
  return FOwnFields[fieldNo - 1];
}

bool TDataCursor::GetField(int fieldNo, const uint8_t* record, uint8_t* dest) const {
  if (!FOwnFieldDefinitions) return GetTableField(fieldNo, record, dest);
  if (const int source = TableFieldNumber(fieldNo); source != 0) return GetTableField(source, record, dest);
  const TFieldDefinition& field = FOwnFields[fieldNo - 1];
  const int size = field.StoredSize();
  if (dest != nullptr) std::copy_n(record + field.Offset() + 1, size, dest);
  return record[field.Offset()] == 0;
}

void TDataCursor::PutField(int fieldNo, uint8_t* record, const uint8_t* value, bool allowComputed) {
  const int source = TableFieldNumber(fieldNo);
  if (source == 0) {
    if (!allowComputed) return;
    const TFieldDefinition& field = FOwnFields[fieldNo - 1];
    uint8_t* at = record + field.Offset();
    std::fill_n(at + 1, field.StoredSize(), 0);
    at[0] = value == nullptr ? 0 : 1;
    if (value == nullptr) return;
    if (field.Type() == TFieldType::String) {
      // Strings end at their first zero byte and keep their terminating zero.
      const auto* end = std::find(value, value + field.StoredSize() - 1, 0);
      std::copy(value, end, at + 1);
      at[0] = end == value ? 0 : 1;
    } else {
      std::copy_n(value, field.StoredSize(), at + 1);
    }
    return;
  }
  PutTableField(source, record, value);
  if (FHasComputedFields) ComputeFields(record);
}

void TDataCursor::ComputeFields(uint8_t* record) {
  if (!FHasComputedFields || FComputingField) return;
  FComputingField = true;
  try {
    const TDataSession& session = FDirectory.Session();
    TLocaleScope locale(session.LanguageId, session.SortId);
    const TEvaluationContext context{FTable->Data().Language(), FTable->Data().Sort(), FColumns.get()};
    for (size_t i = 0; i < FOwnExpressions.size(); ++i) {
      if (!FOwnExpressions[i]) continue;
      const int fieldNo = static_cast<int>(i) + 1;
      TExpTree value = Evaluate(*FOwnExpressions[i], record, context);
      value->Reserve(FOwnFields[static_cast<int>(i)].StoredSize());
      PutField(fieldNo, record, value->IsNull ? nullptr : value->Value.data(), true);
    }
  } catch (...) {
    FComputingField = false;
    throw;
  }
  FComputingField = false;
}

// ---- BLOB values of the shown fields ----

int TDataCursor::OpenBlob(int fieldNo, uint8_t* record, int closeTag, uint8_t mode) {
  return OpenTableBlob(TableFieldNumber(fieldNo), record, closeTag, mode);
}

int TDataCursor::ReadBlob(int fieldNo, const uint8_t* record, int32_t& count, int32_t wanted, uint8_t* dest,
                          int32_t offset) {
  return ReadTableBlob(TableFieldNumber(fieldNo), record, count, wanted, dest, offset);
}

int TDataCursor::WriteBlob(int fieldNo, const uint8_t* record, int32_t count, const uint8_t* source, int32_t offset) {
  return WriteTableBlob(TableFieldNumber(fieldNo), record, count, source, offset);
}

int TDataCursor::TruncateBlob(int fieldNo, const uint8_t* record, int32_t newLength) {
  return TruncateTableBlob(TableFieldNumber(fieldNo), record, newLength);
}

int TDataCursor::GetBlobSize(int fieldNo, const uint8_t* record, int32_t& length) {
  return GetTableBlobSize(TableFieldNumber(fieldNo), record, length);
}

int TDataCursor::CloseBlob(int fieldNo, uint8_t* record, int closeTag) {
  return CloseTableBlob(TableFieldNumber(fieldNo), record, closeTag);
}

}  // namespace sklad
