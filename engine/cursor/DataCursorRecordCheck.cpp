// The check of a record the cursor reached through an index: the table files carry no checksums,
// so a damaged index may point at another record than the one it promises. The cursor holds the
// record in memory by then, so the check compares it with what led there and reads nothing.
#include <algorithm>
#include <vector>

#include "DataCursor.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {

void TDataCursor::CheckReachedRecord() {
  // Nothing led to the cursor's own unresynchronised change; on a crack the record is only held
  // for the next step, and reading delivers none.
  if (FRecordNumber == 0 || FRecordNumber == FChangedRecord || FAtBeginning || FAtEnd || ReachedRecordSound())
    return;
  // The cursor does not stay on a record it refused: it stands before whatever is visible.
  SetNoRecord();
  std::fill(FCurrentRecord.begin(), FCurrentRecord.end(), 0);
  RaiseEngineError(err::IndexBuffersCorrupt, FTableName);
}

bool TDataCursor::ReachedRecordSound() {
  // Every visible record, in either order, is live by the record-state index.
  if (FCurrentRecord[kRecordStateAt] != kRecordActive) return false;
  if (!NaturalOrder()) {
    const int length = FIndex->KeyLength();
    uint8_t key[kMaxKeyLength];
    BuildKey(FCurrentRecord.data(), key);
    // Keys are built the same way when stored, so they agree byte for byte; a key the index's
    // collation finds equal still lies where the entry lies.
    if (!std::equal(key, key + length, FCurrentKey.begin()) &&
        FIndex->Order().Compare(key, FCurrentKey.data(), length) != 0)
      return false;
  }
  return std::ranges::all_of(FFilters, [&](const auto& filter) {
    return !filter->Active() || filter->IsCallback() || filter->OptimizationLevel() == 0 ||
           IndexedPartsHold(*filter->Expression(), FCurrentRecord.data());
  });
}

bool TDataCursor::IndexedPartsHold(const TExpToken& expression, const uint8_t* record) {
  // The operands of an AND were each decided on their own; any other node an index answered is
  // tested whole, as its bitmap came from its parts together (a NOT from the keys it excludes).
  std::vector<const TExpToken*> parts{&expression};
  while (!parts.empty()) {
    const TExpToken& part = *parts.back();
    parts.pop_back();
    if (part.OptimizationLevel == 0) continue;
    if (part.Kind == TNodeKind::BinaryOperator && part.Operator == TOperator::And) {
      parts.push_back(part.First);
      parts.push_back(part.Second);
      continue;
    }
    if (!ExpressionHolds(part, record)) return false;
  }
  return true;
}

}  // namespace sklad
