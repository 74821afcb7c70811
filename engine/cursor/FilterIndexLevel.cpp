// Which parts of a filter expression can be answered by walking an index, and the walk over the
// expression tree that combines the parts' bitmaps.
#include <utility>

#include "DataCursor.h"
#include "PooledBitmap.h"
#include "engine/storage/DataTable.h"

namespace sklad {
namespace {

// The column a comparison's left side names: the column itself, or UPPER of it, which asks for
// a case-insensitive index.
struct TIndexedSubject {
  int FieldNumber = 0;
  bool Upper = false;
};

TIndexedSubject SubjectOf(const TExpToken* node) {
  if (node == nullptr) return {};
  if (node->Kind == TNodeKind::Column) return {node->FieldNumber, false};
  if (node->Kind == TNodeKind::Function && node->Operator == TOperator::Upper && node->First != nullptr &&
      node->First->Kind == TNodeKind::Column && node->First->Next == nullptr) {
    return {node->First->FieldNumber, true};
  }
  return {};
}

bool IsConstant(const TExpToken* node) {
  return node != nullptr && node->Kind == TNodeKind::Constant && !node->IsParameter;
}

bool IsListPredicate(TOperator op) {
  return op == TOperator::In || op == TOperator::NotIn || op == TOperator::Between || op == TOperator::NotBetween;
}

}  // namespace

int TDataCursor::IndexForField(int fieldNo, bool caseInsensitive, bool anyCase) const {
  if (fieldNo < 1 || fieldNo > FieldCount()) return -1;
  const TIndexFile& index = FTable->Index();
  const bool isString = GetFieldDefinition(fieldNo).Type() == TFieldType::String;
  for (int slot = index.NoPrimaryKey() ? 1 : 0; slot <= index.SecondaryCount(); ++slot) {
    const TIndexDefinition definition = index.Definition(slot);
    if (definition.FieldCount() == 0 || definition.FieldNumber(0) != fieldNo) continue;
    if (anyCase || !isString || definition.CaseInsensitive() == caseInsensitive) return slot;
  }
  return -1;
}

// The parent matters only to the 90% count rule of the SQL planner, which needs the key interval
// counts that are not in place yet; every indexed comparison answers 2 meanwhile.
uint8_t TDataCursor::FilterOptimizationLevel([[maybe_unused]] TOperator parent, TExpToken& node, bool countRule) {
  uint8_t level = 0;
  const auto indexed = [&](TIndexedSubject subject, bool caseInsensitive, bool anyCase) -> uint8_t {
    if (subject.FieldNumber == 0) return 0;
    const int slot = IndexForField(subject.FieldNumber, caseInsensitive || subject.Upper, anyCase);
    if (slot < 0) return 0;
    return 2;
  };
  switch (node.Kind) {
    case TNodeKind::UnaryOperator:
      if (node.Operator == TOperator::IsNull || node.Operator == TOperator::IsNotNull) {
        if (node.First != nullptr && node.First->Kind == TNodeKind::Column) {
          level = indexed({node.First->FieldNumber, false}, false, true);
        }
      } else if (node.First != nullptr) {
        level = FilterOptimizationLevel(node.Operator, *node.First, countRule);
      }
      break;
    case TNodeKind::BinaryOperator:
      if (node.IsComparison()) {
        if (IsConstant(node.Second)) level = indexed(SubjectOf(node.First), false, false);
      } else if (node.Operator == TOperator::And && node.First && node.Second) {
        const uint8_t left = FilterOptimizationLevel(TOperator::And, *node.First, countRule);
        const uint8_t right = FilterOptimizationLevel(TOperator::And, *node.Second, countRule);
        level = left == 2 && right == 2 ? 2 : (left == 0 && right == 0 ? 0 : 1);
        // The operand an index answers goes first, so the other one tests only its records.
        if (right > left) std::swap(node.First, node.Second);
      } else if (node.Operator == TOperator::Or && node.First && node.Second) {
        const uint8_t left = FilterOptimizationLevel(TOperator::Or, *node.First, countRule);
        const uint8_t right = FilterOptimizationLevel(TOperator::Or, *node.Second, countRule);
        level = left == 2 && right == 2 ? 2 : 0;
      }
      break;
    case TNodeKind::CollatedComparison:
      if (IsConstant(node.Second)) level = indexed(SubjectOf(node.First), node.CaseInsensitive, false);
      break;
    case TNodeKind::Predicate:
      if (IsListPredicate(node.Operator) && node.Second != nullptr) {
        bool constants = true;
        for (const TExpToken* item = node.Second; item != nullptr; item = item->Next) constants &= IsConstant(item);
        if (constants) level = indexed(SubjectOf(node.First), false, false);
      }
      break;
    default:
      break;
  }
  node.OptimizationLevel = level;
  return level;
}

void TDataCursor::EvaluateNode(TFilter& filter, TRecordsBitmap& bitmap, TExpToken& node, TOperator parent) {
  if (bitmap.Size() == 0) return;
  if (node.OptimizationLevel == 0) return EvaluateRecords(bitmap, filter, &node, parent);
  if (node.Kind == TNodeKind::UnaryOperator && node.Operator != TOperator::IsNull &&
      node.Operator != TOperator::IsNotNull) {
    TPooledBitmap operand(bitmap);
    EvaluateNode(filter, *operand, *node.First, node.Operator);
    bitmap.Assign(*operand);
    if (node.Operator == TOperator::Not) bitmap.Invert();
    return;
  }
  if (node.Kind == TNodeKind::BinaryOperator && node.Operator == TOperator::And) {
    // The second operand is tested only on the records the first one let through.
    TPooledBitmap first(bitmap);
    EvaluateNode(filter, *first, *node.First, TOperator::And);
    TPooledBitmap second(*first);
    EvaluateNode(filter, *second, *node.Second, TOperator::And);
    second->AndWith(*first);
    bitmap.Assign(*second);
    return;
  }
  if (node.Kind == TNodeKind::BinaryOperator && node.Operator == TOperator::Or) {
    TPooledBitmap first(bitmap);
    EvaluateNode(filter, *first, *node.First, TOperator::Or);
    TPooledBitmap second(*first);
    second->SetAll();
    EvaluateNode(filter, *second, *node.Second, TOperator::Or);
    second->OrWith(*first);
    bitmap.Assign(*second);
    return;
  }
  // A comparison an index could answer; its key interval walk is not in place yet, so its records
  // are tested one by one, which gives the same bitmap.
  EvaluateRecords(bitmap, filter, &node, parent);
}

}  // namespace sklad
