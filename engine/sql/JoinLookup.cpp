#include "JoinLookup.h"

#include <algorithm>

#include "JoinValue.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/expression/ValueAccess.h"
#include "engine/expression/ValueClasses.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/index/IndexFile.h"

namespace sklad {
namespace {

// Values of these types are equal exactly when they are the same integer.
bool ExactKeyType(TFieldType type) { return IsInteger(type) || type == TFieldType::Date || type == TFieldType::Time; }

// The most bytes of records a join reads into memory from its inner table.
constexpr int64_t kReadRecordsBytes = 32 * 1024 * 1024;

std::string_view OperatorText(TOperator op) {
  switch (op) {
    case TOperator::Equal: return "=";
    case TOperator::Greater: return ">";
    case TOperator::Less: return "<";
    case TOperator::GreaterOrEqual: return ">=";
    case TOperator::LessOrEqual: return "<=";
    default: return "<>";
  }
}

TExpTree BooleanNode(TOperator op, std::string_view text, TExpToken* first, TExpToken* second) {
  TExpTree node = TakeNode();
  node->Kind = TNodeKind::BinaryOperator;
  node->Operator = op;
  node->SourceText = text;
  node->ValueType = static_cast<uint8_t>(TFieldType::Boolean);
  node->Size = 2;
  node->First = first;
  node->Second = second;
  return node;
}

}  // namespace

TJoinLookup::TJoinLookup(TQuerySource& source, const TQuerySource* from, TJoinKind kind,
                         std::vector<TComparison> comparisons, const TEvaluationContext& context)
    : FSource(source), FFrom(from), FKind(kind), FComparisons(std::move(comparisons)), FContext(context) {}

TJoinLookup::~TJoinLookup() = default;

void TJoinLookup::Start() {
  if (FComparisons.empty()) return;
  BuildCondition();
  // Random key searches into a table larger than its caches read its pages again and again: an
  // equality of exact keys reads the records once instead, when they fit in memory.
  for (size_t i = 0; i < FComparisons.size() && !FRead; ++i) {
    const TComparison& comparison = FComparisons[i];
    if (comparison.Operator != TOperator::Equal || comparison.Inner->Kind != TNodeKind::Column ||
        !ExactKeyType(TypeOf(*comparison.Inner)))
      continue;
    UseKey(i);
    FRead = ReadRecords();
  }
  if (FRead) return;
  FKeyField = 0;
  // An equality on a column that leads an index is answered by key searches; the first such one.
  for (size_t i = 0; i < FComparisons.size() && FKeyField == 0; ++i) {
    const TComparison& comparison = FComparisons[i];
    if (comparison.Operator != TOperator::Equal || comparison.Inner->Kind != TNodeKind::Column) continue;
    const int slot = EqualityIndex(*comparison.Inner);
    if (slot < 0) continue;
    FSource.Cursor->SelectIndex(slot);
    UseKey(i);
    FKeyRecord.assign(static_cast<size_t>(FSource.Cursor->RecordSize()), 0);
  }
}

void TJoinLookup::UseKey(size_t comparison) {
  FKeyField = FComparisons[comparison].Inner->FieldNumber;
  FKeyValue = FValues[comparison];
  FKeyComparison = FComparisonNodes[comparison];
}

bool TJoinLookup::ReadRecords() {
  TDataCursor& cursor = *FSource.Cursor;
  const int32_t size = cursor.RecordSize();
  if (static_cast<int64_t>(cursor.GetRecordCount()) * size > kReadRecordsBytes) return false;
  cursor.SelectIndex(TDataCursor::kNaturalOrder);
  FRecords.clear();
  FRecordsByKey.clear();
  FNullKeyRecords.clear();
  cursor.First();
  TExpTree key = TakeNode();
  key->ValueType = cursor.TableField(FKeyField).TypeCode();
  for (int32_t n = 0; cursor.ReadNext(nullptr) == 0; ++n) {
    const std::vector<uint8_t>& record = cursor.CurrentRecord();
    FRecords.insert(FRecords.end(), record.begin(), record.begin() + size);
    if (cursor.GetTableField(FKeyField, record.data(), key->Value.data())) {
      FNullKeyRecords.push_back(n);
    } else {
      FRecordsByKey[ReadInteger(*key)].push_back(n);
    }
  }
  return true;
}

// Only the inner sides are prepared as a filter's comparisons are. The values stay as the outer
// row gives them, fitted exactly or not at all: a text ending in `*` is no prefix here, and no
// value is cut down to the inner column's type.
void TJoinLookup::BuildCondition() {
  TDataTable& table = *FSource.Cursor->Table();
  const TPrepareOptions options{false, false, table.Data().Language(), table.Data().Sort()};
  for (const TComparison& comparison : FComparisons) {
    TExpTree value = TakeNode();
    value->Kind = TNodeKind::Constant;
    TExpToken* valueNode = value.get();
    TExpTree inner = PrepareForEvaluation(*comparison.Inner, options);
    TExpTree node = BooleanNode(comparison.Operator, OperatorText(comparison.Operator), inner.release(), value.release());
    FValues.push_back(valueNode);
    FComparisonNodes.push_back(node.get());
    FCondition = FCondition ? BooleanNode(TOperator::And, "AND", FCondition.release(), node.release()) : std::move(node);
  }
}

// The first index (primary, then secondary) whose first field is the column, case-sensitive for
// a string column as = is; -1 when there is none.
int TJoinLookup::EqualityIndex(const TExpToken& column) const {
  const TIndexFile& indexes = FSource.Cursor->Table()->Index();
  const bool text = TypeOf(column) == TFieldType::String;
  for (int slot = indexes.NoPrimaryKey() ? 1 : 0; slot <= indexes.SecondaryCount(); ++slot) {
    const TIndexDefinition index = indexes.Definition(slot);
    if (index.FieldCount() == 0 || index.FieldNumber(0) != column.FieldNumber) continue;
    if (!text || !index.CaseInsensitive()) return slot;
  }
  return -1;
}

void TJoinLookup::FillValues() {
  for (size_t i = 0; i < FComparisons.size(); ++i) {
    const TExpToken& outer = *FComparisons[i].Outer;
    TExpToken& target = *FValues[i];
    if (outer.Kind == TNodeKind::Column) {
      // A column's value straight from its record.
      target.FieldNumber = outer.FieldNumber;
      target.Source = outer.Source;
      target.ValueType = outer.ValueType;
      target.SubType = outer.SubType;
      target.Size = outer.Size;
      target.Scale = outer.Scale;
      FContext.Fetcher->Fetch(nullptr, target);
    } else {
      TExpTree value = Evaluate(outer, nullptr, FContext);
      target.ValueType = value->ValueType;
      target.SubType = value->SubType;
      target.Size = value->Size;
      target.Scale = value->Scale;
      target.IsNull = value->IsNull;
      std::swap(target.Value, value->Value);
    }
    FitJoinValue(target, *FComparisons[i].Inner, FContext);
  }
}

bool TJoinLookup::First() {
  FSource.NullRow = false;
  TDataCursor& cursor = *FSource.Cursor;
  bool found;
  if ((FFrom && FFrom->NullRow) || !FromRowJoins()) {
    found = false;
  } else if (FComparisons.empty()) {
    cursor.First();
    found = cursor.ReadNext(nullptr) == 0;
  } else {
    FillValues();
    found = FRead ? FindRead() : FKeyField != 0 ? SeekKey() : PlaceFilter();
  }
  if (found) return true;
  // Everything joined from a NULL row is NULL too.
  FSource.NullRow = FKind == TJoinKind::LeftOuter || (FFrom && FFrom->NullRow);
  return FSource.NullRow;
}

bool TJoinLookup::FromRowJoins() const {
  return std::ranges::all_of(FFromRowConditions,
                             [&](const TExpToken* condition) { return ConditionHolds(*condition, nullptr, FContext); });
}

bool TJoinLookup::Next() {
  if (FSource.NullRow) return false;
  if (FRead) {
    ++FCandidate;
    return AcceptRead();
  }
  if (FSource.Cursor->ReadNext(nullptr) != 0) return false;
  return FKeyField == 0 || AcceptKeyed();
}

bool TJoinLookup::FindRead() {
  const TExpToken& value = *FKeyValue;
  FCandidates = nullptr;
  FCandidate = 0;
  if (value.IsNull) {
    FCandidates = &FNullKeyRecords;
  } else if (value.ValueType == FSource.Cursor->TableField(FKeyField).TypeCode()) {
    const auto found = FRecordsByKey.find(ReadInteger(value));
    if (found != FRecordsByKey.end()) FCandidates = &found->second;
  }
  return AcceptRead();
}

bool TJoinLookup::AcceptRead() {
  const bool onlyKey = FComparisons.size() == 1;
  for (; FCandidates && FCandidate < FCandidates->size(); ++FCandidate)
    if (onlyKey || ConditionHolds(*FCondition, nullptr, FContext)) return true;
  return false;
}

const uint8_t* TJoinLookup::Record() const {
  if (FRead && FCandidates && FCandidate < FCandidates->size())
    return FRecords.data() + static_cast<size_t>((*FCandidates)[FCandidate]) * static_cast<size_t>(FSource.Cursor->RecordSize());
  return FSource.Cursor->CurrentRecord().data();
}

bool TJoinLookup::SeekKey() {
  const TExpToken& value = *FKeyValue;
  TDataCursor& cursor = *FSource.Cursor;
  // A value of another type is one the column's type cannot hold: no record equals it.
  if (!value.IsNull && value.ValueType != cursor.TableField(FKeyField).TypeCode()) return false;
  cursor.PutTableField(FKeyField, FKeyRecord.data(), value.IsNull ? nullptr : value.Value.data());
  if (!cursor.FindKey(false, FKeyRecord.data(), nullptr, 0, true, 1)) return false;
  return AcceptKeyed();
}

bool TJoinLookup::AcceptKeyed() {
  TDataCursor& cursor = *FSource.Cursor;
  const bool onlyKey = FComparisons.size() == 1;
  for (;;) {
    if (!ConditionHolds(*FKeyComparison, nullptr, FContext)) return false;
    if (onlyKey || ConditionHolds(*FCondition, nullptr, FContext)) return true;
    if (cursor.ReadNext(nullptr) != 0) return false;
  }
}

bool TJoinLookup::PlaceFilter() {
  TDataCursor& cursor = *FSource.Cursor;
  TExpToken* condition = CopyTree(*FCondition).release();
  if (FFilter) {
    cursor.ReplaceFilterExpression(condition, FFilter);
  } else {
    FFilter = cursor.AddFilter(condition, true, false, false);
    cursor.ActivateFilter(FFilter);
  }
  cursor.First();
  return cursor.ReadNext(nullptr) == 0;
}

void TJoinLookup::Stop() {
  FSource.NullRow = false;
  if (FFilter) FSource.Cursor->DropFilter(FFilter);
  FFilter = nullptr;
  if (FKeyField != 0) FSource.Cursor->SelectIndex(TDataCursor::kNaturalOrder);
  FKeyField = 0;
  FRead = false;
  FRecords.clear();
  FRecordsByKey.clear();
  FNullKeyRecords.clear();
  FCandidates = nullptr;
  FKeyComparison = FKeyValue = nullptr;
  FValues.clear();
  FComparisonNodes.clear();
  FCondition.reset();
}

}  // namespace sklad
