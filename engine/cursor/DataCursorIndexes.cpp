// Index definition through the cursor: adding and deleting indexes, and building an index (or
// the record-state index) from the table's records at once, bottom-up from the sorted keys.
#include <algorithm>
#include <string>
#include <vector>

#include "CursorIndex.h"
#include "DataCursor.h"
#include "DataCursorReading.h"
#include "DataCursorWriting.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexBulkLoad.h"
#include "engine/storage/index/IndexDefinitionRules.h"
#include "engine/storage/index/IndexKeySort.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {

namespace {

// How much of the data file one read of a whole-table pass takes.
constexpr int32_t kPassReadBytes = 2 * 1024 * 1024;

// Hands every record slot from 1 to the highest to visit, in number order. Outside a transaction
// the cache's changes are written and the file is read in large runs; inside one the changes may
// not reach the file before the commit, so the records come through the cache.
template <class TVisit>
void VisitRecords(TDataTable& table, int32_t highest, TVisit&& visit) {
  TDataFile& data = table.Data();
  TRecordCache& records = data.Records();
  if (table.InTransaction()) {
    for (int32_t number = 1; number <= highest; ++number) {
      TRecord* record = records.GetRecord(number, TReadAhead{true, 0, TReadDirection::Forward});
      if (record == nullptr) RaiseEngineError(err::RecordBuffersCorrupt, table.Name());
      try {
        visit(*record);
      } catch (...) {
        records.ReleaseRecord(record);
        throw;
      }
      records.ReleaseRecord(record);
    }
    return;
  }
  records.WriteModified(false);
  const int32_t recordSize = data.RecordSize();
  const int32_t perRead = std::max<int32_t>(1, kPassReadBytes / recordSize);
  std::vector<uint8_t> buffer(static_cast<size_t>(perRead) * static_cast<size_t>(recordSize));
  TRecord record(data);
  for (int32_t first = 1; first <= highest; first += perRead) {
    const int32_t count = std::min(perRead, highest - first + 1);
    data.ReadAt(data.RecordOffset(first), buffer.data(), count * recordSize);
    for (int32_t i = 0; i < count; ++i) {
      record.SetNumber(first + i);
      record.Load(buffer.data() + static_cast<size_t>(i) * static_cast<size_t>(recordSize));
      visit(record);
    }
  }
}

}  // namespace

void TDataCursor::CheckDefinable() const {
  if (!FActive || !FTable->Exclusive()) RaiseEngineError(err::MustBeExclusive, FTableName);
  CheckWritable();
}

void TDataCursor::RestartAfterDefinitionChange(int index) {
  Reading([&] {
    ClearRange();
    SwitchIndex(index);
    RecountBody();
    return 0;
  });
  First();
}

// ---- Building an index from the records ----

int32_t TDataCursor::BuildIndexFromRecords(int slot, std::vector<int32_t>& duplicates) {
  TCursorIndex index(*FTable, FFields, slot);
  const bool recordStates = slot == kRecordStateSlot;
  const bool unique = !recordStates && FTable->Index().Definition(slot).Unique();
  const size_t keyLength = static_cast<size_t>(index.KeyLength());

  // Every record's key.
  const int32_t highest = HighestRecordNumber();
  std::vector<uint8_t> keys;
  std::vector<uint32_t> numbers;
  keys.reserve(static_cast<size_t>(highest) * keyLength);
  numbers.reserve(static_cast<size_t>(highest));
  int32_t active = 0;
  VisitRecords(*FTable, highest, [&](const TRecord& record) {
    const bool isActive = record.State() == kRecordActive;
    if (isActive || recordStates) {
      keys.resize(keys.size() + keyLength);
      index.Layout().BuildKey(record.Bytes(), keys.data() + keys.size() - keyLength);
      numbers.push_back(static_cast<uint32_t>(record.Number()));
    }
    active += isActive ? 1 : 0;
  });

  // In key order; equal keys of a unique index in record order, so the first record stays.
  auto keyOf = [&](uint32_t i) { return keys.data() + i * keyLength; };
  const std::vector<uint32_t> order = SortedKeyPositions(keys, numbers, index.Layout(), index.Order());

  TIndexBulkLoad load(FTable->Index(), slot);
  const uint8_t* previous = nullptr;
  for (uint32_t i : order) {
    if (unique && previous != nullptr && index.Order().Compare(previous, keyOf(i), static_cast<int>(keyLength)) == 0) {
      duplicates.push_back(static_cast<int32_t>(numbers[i]));
      continue;
    }
    load.Add(keyOf(i), numbers[i]);
    previous = keyOf(i);
  }
  load.Finish();
  return active;
}

// ---- Adding an index ----

void TDataCursor::AddIndex(const TIndexDefinition& definition) {
  CheckDefinable();
  const bool primary = definition.Name().empty();
  CheckIndexKey(definition, FFields, FTableName, primary ? kPrimaryIndexName : definition.Name());
  Writing([&] {
    TIndexFile& file = FTable->Index();
    int slot = TIndexFile::kPrimarySlot;
    if (primary) {
      file.AddPrimaryIndex(definition, FFields);
    } else {
      slot = file.AddSecondaryIndex(definition, FFields);
    }
    std::vector<int32_t> duplicates;
    try {
      BuildIndexFromRecords(slot, duplicates);
    } catch (...) {
      // No half-built index stays behind: the tree gets its root only when it is complete, so
      // taking the definition back leaves the table as it was (the pages already taken stay
      // unused in the file).
      file.DeleteIndex(slot);
      throw;
    }
    if (!duplicates.empty() && FRefuseRecordLoss) {
      const std::string indexName = IndexNameOf(slot);
      TCursorIndex(*FTable, FFields, slot).Tree().FreeAllPages();
      file.DeleteIndex(slot);
      CommitChange(false, false, true);
      RaiseEngineError(err::DuplicateKey, FTableName, {}, {}, indexName);
    }
    // Records whose key the new unique index already holds leave the table.
    bool blobsFreed = false;
    TRecordCache& records = FTable->Data().Records();
    for (int32_t number : duplicates) {
      TRecord* record = records.GetRecord(number);
      if (record == nullptr) RaiseEngineError(err::RecordBuffersCorrupt, FTableName);
      try {
        blobsFreed = RemoveStoredRecord(*record, number, slot) || blobsFreed;
      } catch (...) {
        records.ReleaseRecord(record);
        throw;
      }
      records.ReleaseRecord(record);
    }
    CommitChange(!duplicates.empty(), blobsFreed, true);
  });
  RestartAfterDefinitionChange(FIndexNumber);
}

// ---- Deleting an index ----

void TDataCursor::DeleteIndex(std::string_view name) {
  CheckDefinable();
  const TIndexFile& file = FTable->Index();
  for (int slot = file.NoPrimaryKey() ? 1 : 0; slot <= file.SecondaryCount(); ++slot)
    if (SameFieldName(file.Definition(slot).Name(), name)) return DeleteIndexByNumber(slot, true);
  RaiseEngineError(err::InvalidIndexName, FTableName, {}, {}, name);
}

void TDataCursor::DeleteIndexByNumber(int number, bool allowPrimary) {
  CheckDefinable();
  TIndexFile& file = FTable->Index();
  if (number == TIndexFile::kPrimarySlot && !allowPrimary) RaiseEngineError(err::PrimaryIndexRemoval, FTableName);
  if (number < 0 || number > file.SecondaryCount() || (number == TIndexFile::kPrimarySlot && file.NoPrimaryKey()))
    RaiseEngineError(err::InvalidIndexName, FTableName, {}, {}, std::to_string(number));
  Writing([&] {
    TCursorIndex(*FTable, FFields, number).Tree().FreeAllPages();
    file.DeleteIndex(number);
    CommitChange(false, false, true);
  });
  RestartAfterDefinitionChange(0);
}

// ---- The record-state index ----

void TDataCursor::RebuildRecordStates() {
  TIndexFile& file = FTable->Index();
  // The table is walked in natural order until indexes are added again: a primary index it had
  // goes, pages and all, so that one can be added later.
  if (!file.NoPrimaryKey() && file.Root(TIndexFile::kPrimarySlot) != 0)
    TCursorIndex(*FTable, FFields, TIndexFile::kPrimarySlot).Tree().FreeAllPages();
  file.DeleteIndex(TIndexFile::kPrimarySlot);
  TCursorIndex(*FTable, FFields, kRecordStateSlot).Tree().FreeAllPages();
  std::vector<int32_t> none;
  file.SetRecordCount(BuildIndexFromRecords(kRecordStateSlot, none));
}

void TDataCursor::RebuildRecordStateIndex() {
  if (!FActive) RaiseEngineError(err::MustBeExclusive, FTableName);
  Writing([&] {
    RebuildRecordStates();
    CommitChange(false, false, true);
  });
  RestartAfterDefinitionChange(0);
}

void TDataCursor::RepairRecreatedIndex() {
  // The files of a read-only table cannot have been made anew.
  if (!FTable->IndexRecreated() || FTable->FilesReadOnly()) return;
  FTable->BeginWrite();
  try {
    RebuildRecordStates();
    CommitChange(false, false, true);
  } catch (...) {
    FTable->EndWrite();
    throw;
  }
  FTable->EndWrite();
  FTable->IndexRebuilt();
}

}  // namespace sklad
