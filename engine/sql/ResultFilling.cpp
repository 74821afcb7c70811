// Execution of a SELECT whose result is a copy: the result table emptied and filled from the
// joined rows (plain columns copied, computed ones evaluated, aggregates accumulated), then
// de-duplicated, grouped with HAVING and ordered by the record sort.
#include <algorithm>
#include <cstring>
#include <optional>

#include "GroupAccumulator.h"
#include "JoinedRows.h"
#include "PartialGroups.h"
#include "ResultTable.h"
#include "SelectPlan.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ValueAccess.h"
#include "engine/expression/ValueClasses.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

// WITH LOCKS: every source table locked for reading, its cursor resynchronised, for as long as
// the result is built.
class TSourceTableLocks {
 public:
  TSourceTableLocks(std::vector<TQuerySource>& sources, bool lock) {
    if (!lock) return;
    for (TQuerySource& source : sources) {
      TDataTable& table = *source.Cursor->Table();
      const bool changed = table.BeginQueryRead();
      FLocked.push_back(&table);
      if (changed) source.Cursor->Resynchronise();
    }
  }
  ~TSourceTableLocks() {
    for (TDataTable* table : FLocked) {
      try {
        table->EndQueryRead();
      } catch (const ESkladEngineError&) {
        // An unlock that fails leaves the lock to the table's close.
      }
    }
  }
  TSourceTableLocks(const TSourceTableLocks&) = delete;
  TSourceTableLocks& operator=(const TSourceTableLocks&) = delete;

 private:
  std::vector<TDataTable*> FLocked;
};

// The joined rows read from Start to Stop, also when filling fails. Stopping only takes the
// conditions off the source cursors, which resynchronise and may meet the damage a failed fill met
// (a destructor cannot report it); the next Start stops again first.
class TReadingRows {
 public:
  TReadingRows(TJoinedRows& rows, bool countOnly) : FRows(rows) { FRows.Start(countOnly); }
  ~TReadingRows() {
    try {
      FRows.Stop();
    } catch (...) {
      // The rows read are complete, or the fill's own failure is the one to report.
    }
  }
  TReadingRows(const TReadingRows&) = delete;
  TReadingRows& operator=(const TReadingRows&) = delete;

 private:
  TJoinedRows& FRows;
};

// Progress of reading: a report whenever the first table's record changed, with the percent of
// its records, and a final report of all of them unless the last one said so already.
class TReadProgress {
 public:
  TReadProgress(const TJoinedRows& rows, const TSqlProgress& progress)
      : FRows(rows), FProgress(progress), FTotal(progress ? rows.Leader().Cursor->GetRecordCount() : 0) {}

  // False when the callback asked to stop.
  bool Continue() {
    if (!FProgress || FRows.LeaderRows() == FReported) return true;
    FReported = FRows.LeaderRows();
    return Report(FReported, FTotal > 0 ? static_cast<int>(static_cast<int64_t>(FReported) * 100 / FTotal) : 100);
  }
  void Finish() {
    if (FProgress && !FAborted && FReported != FTotal) Report(FTotal, 100);
  }

 private:
  bool Report(int32_t rows, int percent) {
    bool abort = false;
    FProgress(rows, percent, abort);
    FAborted = abort;
    return !abort;
  }

  const TJoinedRows& FRows;
  const TSqlProgress& FProgress;
  int32_t FTotal;
  int32_t FReported = 0;
  bool FAborted = false;
};

// An evaluated value into a result field of a record buffer, converted to the field's type.
void StoreValue(const TExpToken& value, const TFieldDefinition& field, uint8_t* record) {
  uint8_t* at = record + field.Offset();
  const int size = field.StoredSize();
  std::fill_n(at, size + 1, 0);
  if (value.IsNull) return;
  const auto from = static_cast<TFieldType>(value.ValueType);
  const TFieldType to = field.Type();
  if (from == to && to == TFieldType::String) {
    const auto* text = value.Value.data();
    const size_t length = strnlen(reinterpret_cast<const char*>(text), std::min<size_t>(value.Capacity(), size - 1));
    std::copy_n(text, length, at + 1);
    at[0] = length > 0 ? 1 : 0;
    return;
  }
  if (from == to) {
    std::copy_n(value.Value.data(), std::min<size_t>(value.Capacity(), size), at + 1);
  } else if (to == TFieldType::Integer && IsInteger(from)) {
    StoreLE(at + 1, static_cast<int32_t>(ReadInteger(value)));
  } else if (to == TFieldType::Float && IsNumeric(from)) {
    StoreLE(at + 1, ReadFloat(value));
  } else {
    std::vector<uint8_t> converted(std::max<size_t>(value.Capacity(), static_cast<size_t>(size)) + 1, 0);
    std::copy(value.Value.begin(), value.Value.end(), converted.begin());
    if (!Convert(from, static_cast<int>(value.Size), value.Scale, converted, size, field.Scale(), to)) return;
    std::copy_n(converted.begin(), size, at + 1);
  }
  at[0] = 1;
}

// A non-null 32-bit integer into a field of a record buffer.
void PutInteger(const TFieldDefinition& field, uint8_t* record, int32_t value) {
  record[field.Offset()] = 1;
  StoreLE(record + field.Offset() + 1, value);
}

// A stored value of the integer and float types as a number; none for the other types.
std::optional<double> StoredNumber(TFieldType type, const uint8_t* value) {
  switch (type) {
    case TFieldType::SmallInt: return LoadLE<int16_t>(value);
    case TFieldType::Word: return LoadLE<uint16_t>(value);
    case TFieldType::Integer: return LoadLE<int32_t>(value);
    case TFieldType::Unsigned: return LoadLE<uint32_t>(value);
    case TFieldType::Float: return LoadLE<double>(value);
    default: return {};
  }
}

void Check(int code, const TDataCursor& cursor) {
  if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), cursor.TableName());
}

}  // namespace

bool TSelectPlan::CountsRowsOnly() const {
  return FAggregateOnly && FSources.size() == 1 && FFills.size() == 1 &&
         FFills.front().Aggregate == TAggregateKind::Count && !FFills.front().Value;
}

TDataCursor* TSelectPlan::ExecuteMaterialised(const TSqlProgress& progress) {
  TSourceTableLocks locks(FSources, FQuery.WithLocks);
  TDataCursor& result = FResultTable->Cursor();
  result.EmptyTable();
  {
    const TDataSession& session = FDirectory.Session();
    TLocaleScope locale(session.LanguageId, session.SortId);
    TReadingRows reading(*FRows, CountsRowsOnly());
    if (CountsRowsOnly())
      CountRowsOnly();
    else if (FAggregateOnly)
      FillAggregateOnly(progress);
    else
      FillRows(progress);
  }
  if (FQuery.Distinct) {
    std::vector<int> all(FQuery.Columns.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i) + 1;
    SortResult(all, TSortMode::Distinct, false);
  }
  if (FQuery.HasGroupBy) {
    TSortHooks hooks;
    hooks.Accumulate = [this](bool first, const TRecord& row, TRecord& group) {
      if (!first) FAccumulator->Accumulate(row, group);
    };
    hooks.Finish = [this](TRecord& group) { FAccumulator->Finish(group); };
    if (FHaving) {
      hooks.Keep = [this](const TRecord& group) {
        TLocaleScope locale(FResultLanguage, FResultSort);
        return ConditionHolds(*FHaving, group.Bytes(), {FResultLanguage, FResultSort, &FResult->Columns()});
      };
    }
    SortResult(FGroupColumns, TSortMode::Group, false, std::move(hooks));
  }
  if (FQuery.HasOrderBy && !FOrderSatisfied) SortResult(FOrderColumns, TSortMode::Plain, FQuery.OrderByNoCase);
  result.Refresh();
  result.First();
  FRowsAffected = result.GetRecordCount();
  return FResult;
}

void TSelectPlan::FillRows(const TSqlProgress& progress) {
  std::vector<uint8_t> record(static_cast<size_t>(FResult->RecordSize()));
  // A grouped result is folded in memory first; BLOB values go to the table row by row.
  std::unique_ptr<TPartialGroups> groups;
  if (FQuery.HasGroupBy && std::ranges::none_of(FFills, [](const TColumnFill& fill) { return fill.Blob; })) {
    std::vector<TFieldDefinition> groupFields;
    for (int column : FGroupColumns) groupFields.push_back(FResult->TableField(column));
    groups = std::make_unique<TPartialGroups>(FResult->Table()->Data(), std::move(groupFields), *FAccumulator);
  }
  std::vector<uint8_t> group(record.size());
  auto writeGroups = [&] {
    groups->Drain([&](const uint8_t* bytes) {
      std::copy_n(bytes, group.size(), group.begin());
      Append(group.data());
    });
  };
  TReadProgress reporting(*FRows, progress);
  int32_t rows = 0;
  bool reading = true;
  while (reading && FRows->Next()) {
    reading = reporting.Continue() && (FQuery.MaximumRowCount < 0 || rows < FQuery.MaximumRowCount);
    if (!reading) break;
    FillRecord(record.data());
    if (!groups)
      Append(record.data());
    else if (groups->Add(record.data()))
      writeGroups();
    ++rows;
  }
  if (groups) writeGroups();
  if (reading) reporting.Finish();
}

// Every accepted row accumulated into one record, appended even when no row qualified.
void TSelectPlan::FillAggregateOnly(const TSqlProgress& progress) {
  TDataFile& data = FResult->Table()->Data();
  TRecord row(data), group(data);
  std::vector<uint8_t> record(static_cast<size_t>(FResult->RecordSize()));
  FResult->InitRecord(record.data());
  group.SetFieldArea(record.data());
  TReadProgress reporting(*FRows, progress);
  bool reading = true;
  while (reading && FRows->Next()) {
    reading = reporting.Continue();
    if (!reading) break;
    FillRecord(record.data());
    row.SetFieldArea(record.data());
    FAccumulator->Accumulate(row, group);
  }
  if (reading) reporting.Finish();
  FAccumulator->Finish(group);
  if (FQuery.MaximumRowCount == 0) return;
  std::copy_n(group.Bytes(), record.size(), record.begin());
  Append(record.data());
}

// COUNT(*) alone over one table: the table's cursor carries the whole condition, so its record
// count is the answer, and no record is read.
void TSelectPlan::CountRowsOnly() {
  std::vector<uint8_t> record(static_cast<size_t>(FResult->RecordSize()));
  FResult->InitRecord(record.data());
  const int32_t count = FRows->Leader().Cursor->GetRecordCount();
  FResult->PutTableField(1, record.data(), reinterpret_cast<const uint8_t*>(&count));
  if (FQuery.MaximumRowCount != 0) Append(record.data());
}

void TSelectPlan::FillRecord(uint8_t* record) {
  FResult->InitRecord(record);
  FBlobValues.clear();
  const TEvaluationContext context{FDirectory.Session().LanguageId, FDirectory.Session().SortId, &FRows->Fetcher()};
  for (const TColumnFill& fill : FFills) {
    const TFieldDefinition& target = FResult->TableField(fill.Field);
    if (fill.Source) {
      CopyColumn(fill, record);
      continue;
    }
    if (fill.Aggregate == TAggregateKind::Count) {
      PutInteger(target, record, !fill.Value || !Evaluate(*fill.Value, nullptr, context)->IsNull ? 1 : 0);
      continue;
    }
    const TExpTree value = Evaluate(*fill.Value, nullptr, context);
    if (fill.Blob) {
      const size_t length = strnlen(value->Text(), value->Capacity());
      const auto end = value->Value.begin() + static_cast<std::ptrdiff_t>(length);
      if (!value->IsNull) FBlobValues.emplace_back(fill.Field, std::vector<uint8_t>(value->Value.begin(), end));
    } else {
      StoreValue(*value, target, record);
    }
    if (fill.CountField != 0) PutInteger(FResult->TableField(fill.CountField), record, value->IsNull ? 0 : 1);
  }
}

void TSelectPlan::CopyColumn(const TColumnFill& fill, uint8_t* record) {
  const TFieldDefinition& target = FResult->TableField(fill.Field);
  const TFieldDefinition& from = fill.Source->Cursor->TableField(fill.SourceField);
  uint8_t* at = record + target.Offset();
  const uint8_t* row = FRows->Record(*fill.Source);
  // The auto-increment value has no null flag; a table without a row (outer join) gives NULL.
  const uint8_t* value = !row                      ? nullptr
                         : from.IsAutoIncrement()  ? row + from.Offset()
                         : row[from.Offset()] != 0 ? row + from.Offset() + 1
                                                   : nullptr;
  if (fill.CountField != 0) PutInteger(FResult->TableField(fill.CountField), record, value ? 1 : 0);
  if (fill.Aggregate == TAggregateKind::Count) {
    PutInteger(target, record, value ? 1 : 0);
    return;
  }
  std::fill_n(at, target.StoredSize() + 1, 0);
  if (!value) return;
  if (fill.Blob) {
    FBlobValues.emplace_back(fill.Field, fill.Source->Cursor->ReadWholeTableBlob(fill.SourceField, row));
    return;
  }
  at[0] = 1;
  if (from.Type() == target.Type()) {
    std::copy_n(value, target.StoredSize(), at + 1);
  } else if (const auto number = StoredNumber(from.Type(), value); number && target.Type() == TFieldType::Float) {
    StoreLE(at + 1, *number);
  } else if (number && target.Type() == TFieldType::Integer) {
    StoreLE(at + 1, static_cast<int32_t>(static_cast<int64_t>(*number)));
  } else {
    const TEvaluationContext context{FDirectory.Session().LanguageId, FDirectory.Session().SortId, &FRows->Fetcher()};
    StoreValue(*Evaluate(*fill.Value, nullptr, context), target, record);
  }
}

void TSelectPlan::Append(uint8_t* record) {
  TDataCursor& result = *FResult;
  for (auto& [field, bytes] : FBlobValues) {
    if (bytes.empty()) continue;
    Check(result.OpenTableBlob(field, record, 0, TDataCursor::kBlobWrite), result);
    Check(result.WriteTableBlob(field, record, static_cast<int32_t>(bytes.size()), bytes.data(), 0), result);
  }
  result.InsertRecord(record, false);
  for (auto& [field, bytes] : FBlobValues)
    if (!bytes.empty()) result.CloseTableBlob(field, record, 0);
  FBlobValues.clear();
}

void TSelectPlan::SortResult(const std::vector<int>& fields, TSortMode mode, bool caseInsensitive, TSortHooks hooks) {
  TSortRequest request;
  for (size_t i = 0; i < fields.size(); ++i) {
    TFieldDefinition field = FResult->TableField(fields[i]);
    field.SetSortDescending(mode == TSortMode::Plain && FQuery.OrderBy[i].Descending);
    request.Fields.Add(field);
  }
  request.CaseInsensitive = caseInsensitive;
  request.Mode = mode;
  request.Hooks = std::move(hooks);
  FResult->SortTable(std::move(request));
}

}  // namespace sklad
