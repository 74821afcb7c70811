#include "JoinLookup.h"

#include <algorithm>

#include "JoinValue.h"
#include "engine/query/expression/ExpressionPreparation.h"
#include "engine/query/expression/ValueClasses.h"
#include "engine/storage/DataTable.h"
#include "engine/storage/IndexFile.h"

namespace sklad {
namespace {

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
  // An equality on a column that leads an index is answered by key searches; the first such one.
  for (size_t i = 0; i < FComparisons.size() && FKeyField == 0; ++i) {
    const TComparison& comparison = FComparisons[i];
    if (comparison.Operator != TOperator::Equal || comparison.Inner->Kind != TNodeKind::Column) continue;
    const int slot = EqualityIndex(*comparison.Inner);
    if (slot < 0) continue;
    FSource.Cursor->SelectIndex(slot);
    const TIndexDefinition index = FSource.Cursor->Table()->Index().Definition(slot);
    // Keys of these types are equal exactly when their values are: a key found is a match, and
    // a unique key of the one column has no second match.
    const TFieldType type = TypeOf(*comparison.Inner);
    FKeyExact = IsInteger(type) || type == TFieldType::Date || type == TFieldType::Time;
    FKeyUnique = FKeyExact && index.Unique() && index.FieldCount() == 1;
    FKeyField = comparison.Inner->FieldNumber;
    FKeyValue = FValues[i];
    FKeyComparison = FComparisonNodes[i];
    FKeyRecord.assign(static_cast<size_t>(FSource.Cursor->RecordSize()), 0);
  }
}

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
    found = FKeyField != 0 ? SeekKey() : PlaceFilter();
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
  if (FSource.NullRow || FKeyUnique) return false;
  if (FSource.Cursor->ReadNext(nullptr) != 0) return false;
  return FKeyField == 0 || AcceptKeyed(false);
}

bool TJoinLookup::SeekKey() {
  const TExpToken& value = *FKeyValue;
  TDataCursor& cursor = *FSource.Cursor;
  // A value of another type is one the column's type cannot hold: no record equals it.
  if (!value.IsNull && value.ValueType != cursor.TableField(FKeyField).TypeCode()) return false;
  cursor.PutTableField(FKeyField, FKeyRecord.data(), value.IsNull ? nullptr : value.Value.data());
  if (!cursor.FindKey(false, FKeyRecord.data(), nullptr, 0, true, 1)) return false;
  return AcceptKeyed(FKeyExact && !value.IsNull);
}

bool TJoinLookup::AcceptKeyed(bool keyMatches) {
  TDataCursor& cursor = *FSource.Cursor;
  const bool onlyKey = FComparisons.size() == 1;
  for (;;) {
    if (!keyMatches && !ConditionHolds(*FKeyComparison, nullptr, FContext)) return false;
    if (onlyKey || ConditionHolds(*FCondition, nullptr, FContext)) return true;
    if (cursor.ReadNext(nullptr) != 0) return false;
    keyMatches = false;
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
  FKeyExact = FKeyUnique = false;
  FKeyComparison = FKeyValue = nullptr;
  FValues.clear();
  FComparisonNodes.clear();
  FCondition.reset();
}

}  // namespace sklad
