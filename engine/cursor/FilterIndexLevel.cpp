// Which parts of a filter expression can be answered by walking an index, and the walk over the
// expression tree that combines the parts' bitmaps.
#include <algorithm>
#include <utility>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "FilterNodes.h"
#include "PooledBitmap.h"
#include "engine/expression/OperatorRuns.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {
int TDataCursor::IndexForField(int fieldNo, bool caseInsensitive, bool anyCase) const {
  if (fieldNo < 1 || fieldNo > FFields.Count()) return -1;
  const TIndexFile& index = FTable->Index();
  const bool isString = TableField(fieldNo).Type() == TFieldType::String;
  for (int slot = index.NoPrimaryKey() ? 1 : 0; slot <= index.SecondaryCount(); ++slot) {
    const TIndexDefinition definition = index.Definition(slot);
    if (definition.FieldCount() == 0 || definition.FieldNumber(0) != fieldNo) continue;
    if (anyCase || !isString || definition.CaseInsensitive() == caseInsensitive) return slot;
  }
  return -1;
}

bool TDataCursor::FewEnoughMatches(const TExpToken& node) {
  TPooledBitmap matches;
  matches->SetSize(std::max(HighestRecordNumber(), 0));
  // A constant no key stands for leaves the answer to record tests: nothing to count then.
  if (matches->Size() == 0 || !EvaluateThroughIndex(false, *matches, node)) return true;
  if (FLiveBitmap->Size() == matches->Size()) matches->AndWith(*FLiveBitmap);
  return matches->Count() <= static_cast<int32_t>(0.9 * FTable->Data().RecordCount());
}

uint8_t TDataCursor::FilterOptimizationLevel(TOperator parent, TExpToken& node, bool countRule) {
  // Counting walks indexes: it runs inside the cursor's read bracket.
  if (countRule) return Reading([&] { return NodeOptimizationLevel(parent, node, true); });
  return NodeOptimizationLevel(parent, node, false);
}

uint8_t TDataCursor::NodeOptimizationLevel(TOperator parent, TExpToken& node, bool countRule) {
  uint8_t level = 0;
  const auto indexed = [&](TFilterSubject subject, bool caseInsensitive, bool anyCase) -> uint8_t {
    if (subject.FieldNumber == 0) return 0;
    const int slot = IndexForField(subject.FieldNumber, caseInsensitive || subject.Upper, anyCase);
    if (slot < 0) return 0;
    // The planner's rule: below the root, a part that matches nearly every record is cheaper
    // to test record by record than to walk.
    return countRule && parent != TOperator::None && !FewEnoughMatches(node) ? 0 : 2;
  };
  switch (node.Kind) {
    case TNodeKind::UnaryOperator:
      if (node.Operator == TOperator::IsNull || node.Operator == TOperator::IsNotNull) {
        if (node.First != nullptr && node.First->Kind == TNodeKind::Column) {
          level = indexed({node.First->FieldNumber, false}, false, true);
        }
      } else if (node.First != nullptr) {
        level = NodeOptimizationLevel(node.Operator, *node.First, countRule);
      }
      break;
    case TNodeKind::BinaryOperator:
      if (node.IsComparison()) {
        if (IsConstant(node.Second)) level = indexed(ComparisonSubject(node), false, false);
      } else if ((node.Operator == TOperator::And || node.Operator == TOperator::Or) && node.First && node.Second) {
        // A run of ANDs or ORs in a loop, each operator once both its sides have their levels.
        TWalkStack<uint8_t> levels;
        WalkRun(
            node,
            [&](TExpToken* operand, TExpToken& parent) {
              levels.Push(operand ? NodeOptimizationLevel(parent.Operator, *operand, countRule) : 0);
            },
            [&](TExpToken& joined) {
              const uint8_t right = levels.Pop();
              const uint8_t left = levels.Pop();
              uint8_t joinedLevel = left == 2 && right == 2 ? 2 : 0;
              if (joined.Operator == TOperator::And) {
                if (joinedLevel == 0 && (left != 0 || right != 0)) joinedLevel = 1;
                // The operand an index answers goes first, so the other one tests only its records.
                if (right > left) std::swap(joined.First, joined.Second);
              }
              joined.OptimizationLevel = joinedLevel;
              levels.Push(joinedLevel);
            });
        level = levels.Pop();
      }
      break;
    case TNodeKind::CollatedComparison:
      if (IsConstant(node.Second)) level = indexed(ComparisonSubject(node), node.CaseInsensitive, false);
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
  if (node.Kind == TNodeKind::BinaryOperator && (node.Operator == TOperator::And || node.Operator == TOperator::Or)) {
    // A run of ANDs (or ORs) in a loop over its operands, left to right. An AND's second operand
    // is tested only on the records its first one let through; an OR's second operand is tested
    // on all. A part of an AND run that no index serves is tested record by record as a whole.
    const TOperator op = node.Operator;
    const auto inRun = [&](const TExpToken& part) {
      return ContinuesRun(RunKindOf(node), &part) && part.OptimizationLevel != 0;
    };
    TPooledBitmap result(bitmap);
    bool first = true;
    EachRunOperand(node, inRun, [&](TExpToken& operand) {
      if (first) {
        EvaluateNode(filter, *result, operand, op);
        first = false;
        return true;
      }
      TPooledBitmap part(*result);
      if (op == TOperator::Or) part->SetAll();
      EvaluateNode(filter, *part, operand, op);
      op == TOperator::And ? part->AndWith(*result) : part->OrWith(*result);
      result->Assign(*part);
      return true;
    });
    bitmap.Assign(*result);
    return;
  }
  // Under an AND only the incoming candidates count, as for record tests, so that a sibling
  // tested record by record reads no record this part could not have passed.
  TPooledBitmap candidates(bitmap);
  if (!EvaluateThroughIndex(filter.CostRule(), bitmap, node)) return EvaluateRecords(bitmap, filter, &node, parent);
  if (parent == TOperator::And) bitmap.AndWith(*candidates);
}

}  // namespace sklad
