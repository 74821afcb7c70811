#include "SubSelectRows.h"

#include <algorithm>

#include "DataQuery.h"
#include "engine/cursor/DataCursor.h"

namespace sklad {

TSubSelectRows::TSubSelectRows(const TDataQuery& query, TStatementRunner& runner, uint16_t language, uint16_t sort)
    : FQuery(query), FRunner(runner), FContext{language, sort, nullptr} {}

int TSubSelectRows::ResultColumnCount() const { return static_cast<int>(FQuery.Columns.size()); }

bool TSubSelectRows::DescribeFirstColumn(TExpToken& node) const {
  const TDataCursor* result = FRunner.Result();
  if (!result || result->FieldCount() < 1) return false;
  DescribeColumn(node, result->GetFieldDefinition(1));
  return true;
}

void TSubSelectRows::Execute(const TSqlProgress& progress) {
  FValues.clear();
  FHasNull = false;
  TDataCursor* result = FRunner.Execute(progress);
  if (!result) return;
  result->First();
  while (result->ReadNext(nullptr) == 0) TakeValue(*result);
  result->First();
  std::ranges::sort(FValues, [&](const TExpTree& a, const TExpTree& b) { return CompareValues(*a, *b, FContext) < 0; });
}

void TSubSelectRows::TakeValue(TDataCursor& result) {
  const TFieldDefinition& field = result.GetFieldDefinition(1);
  // Opening a BLOB marks the record it is opened through: a copy of the current one.
  std::vector<uint8_t> copy = result.CurrentRecord();
  uint8_t* record = copy.data();
  TExpTree value = TakeNode();
  value->Kind = TNodeKind::Constant;
  DescribeColumn(*value, field);
  if (field.Type() == TFieldType::Blob) {
    // A BLOB's content, a memo's followed by its terminating zero.
    int32_t length = 0;
    value->IsNull = result.OpenBlob(1, record, 1, TDataCursor::kBlobRead) != 0 ||
                    result.GetBlobSize(1, record, length) != 0 || length == 0;
    if (!value->IsNull) {
      value->Reserve(static_cast<uint32_t>(length) + 1);
      int32_t count = 0;
      result.ReadBlob(1, record, count, length, value->Value.data(), 0);
      value->Value[static_cast<size_t>(count)] = 0;
      value->Size = static_cast<uint32_t>(count) + 1;
    }
    result.CloseBlob(1, record, 1);
  } else {
    value->Reserve(field.StoredSize());
    value->IsNull = result.GetField(1, record, value->Value.data());
  }
  if (value->IsNull) {
    FHasNull = true;
    return;
  }
  FValues.push_back(std::move(value));
}

bool TSubSelectRows::Contains(const TExpToken& value) {
  if (value.IsNull) return FHasNull;
  const auto found = std::ranges::lower_bound(
      FValues, value, [&](const TExpToken& a, const TExpToken& b) { return CompareValues(a, b, FContext) < 0; },
      [](const TExpTree& item) -> const TExpToken& { return *item; });
  return found != FValues.end() && CompareValues(**found, value, FContext) == 0;
}

}  // namespace sklad
