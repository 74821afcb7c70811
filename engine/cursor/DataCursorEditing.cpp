#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DataCursor.h"
#include "DataCursorWriting.h"
#include "KeyJournal.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {
namespace {

using TKey = TKeyJournal::TKey;

// A record of the record cache, pinned until the holder goes.
class TPinnedRecord {
 public:
  // Under the write lock a record is always there; a missing one is a damaged table.
  TPinnedRecord(TRecordCache& records, int32_t number, const std::string& tableName)
      : FRecords(records), FRecord(records.GetRecord(number)) {
    if (FRecord == nullptr) RaiseEngineError(err::RecordBuffersCorrupt, tableName);
  }
  ~TPinnedRecord() { Release(); }
  // Unpinned, the record can be written: before the change is committed.
  void Release() {
    FRecords.ReleaseRecord(FRecord);
    FRecord = nullptr;
  }
  TPinnedRecord(const TPinnedRecord&) = delete;
  TPinnedRecord& operator=(const TPinnedRecord&) = delete;
  TRecord* operator->() const { return FRecord; }
  TRecord& operator*() const { return *FRecord; }

 private:
  TRecordCache& FRecords;
  TRecord* FRecord;
};

// A record as it is stored: the buffer's fields and auto-increment value under an active state
// byte and the record's own number.
std::vector<uint8_t> StoredImage(const uint8_t* buffer, int size, int32_t number, uint8_t state = kRecordActive) {
  std::vector<uint8_t> image(buffer, buffer + size);
  image[kRecordStateAt] = state;
  StoreLE(&image[kRecordNumberAt], number);
  return image;
}

int32_t Larger(int32_t a, int32_t b) { return std::max(a, b); }

}  // namespace

// ---- The write bracket ----

void TDataCursor::CheckWritable() const {
  if (FReadOnly) RaiseEngineError(err::AccessDenied, FTableName);
}

void TDataCursor::BeginWrite() {
  const bool changed = FTable->BeginWrite();
  if (TableChanged() || changed) Resynchronise();
}

void TDataCursor::EndWrite() { FTable->EndWrite(); }

void TDataCursor::CommitChange(bool dataChanged, bool blobsWritten, bool keysChanged) {
  FTable->ChangesMade(dataChanged, keysChanged, blobsWritten);
  SnapshotCounters();
}

// ---- Helpers of the changes ----

std::vector<int> TDataCursor::KeyIndexSlots() const {
  std::vector<int> slots;
  if (!FTable->Index().NoPrimaryKey()) slots.push_back(0);
  for (int slot = 1; slot <= FTable->Index().SecondaryCount(); ++slot) slots.push_back(slot);
  return slots;
}

std::string TDataCursor::IndexNameOf(int slot) const { return FTable->Index().Definition(slot).Name(); }

int32_t TDataCursor::SlotForNextInsert() const {
  // The record cache decides the same way: a deleted slot is reused only in tables with a
  // primary key, so that the natural order of the others is their insertion order.
  const TDataFile& data = FTable->Data();
  if (data.FirstFreeRecord() != 0 && FTable->HasPrimaryKey()) return data.FirstFreeRecord();
  return data.NextRecordNumber();
}

bool TDataCursor::StoreBlobValues(uint8_t* record, const uint8_t* previous) {
  // A value open in this cursor is written from its buffer; any other BLOB field keeps the value
  // the record had (a new record's is empty).
  for (const TFieldDefinition& field : FFields) {
    if (field.Type() != TFieldType::Blob) continue;
    const int offset = field.Offset();
    if (IsOpenBlob(LoadLE<int32_t>(record + offset + 1))) continue;
    if (previous != nullptr) {
      std::copy_n(previous + offset, 1 + field.StoredSize(), record + offset);
    } else {
      std::fill_n(record + offset, 1 + field.StoredSize(), 0);
    }
  }
  return PostBlobs(record);
}

// Runs a change with the record locked; the lock is released however the change ends, and a
// failure of the change is the one reported.
template <class TBody>
void TDataCursor::WithRecordLocked(int32_t number, TBody&& body) {
  LockRecord(number);
  try {
    body();
  } catch (...) {
    try {
      UnlockRecord(number);
    } catch (...) {
      // The change's own failure is the one to report.
    }
    throw;
  }
  UnlockRecord(number);
}

// ---- Insert ----

void TDataCursor::InsertRecord(uint8_t* buffer, bool resync) {
  Writing([&] {
    const int32_t number = SlotForNextInsert();
    WithRecordLocked(number, [&] { InsertLocked(buffer, number, resync); });
  });
}

void TDataCursor::InsertLocked(uint8_t* buffer, int32_t number, bool resync) {
  ValidateRecord(buffer);
  TDataFile& data = FTable->Data();
  TRecordCache& records = data.Records();
  // The one auto-increment value of this record, wrapped after 2,147,483,647 as the header's.
  const int32_t autoIncrement = FUserRecordIds ? LoadLE<int32_t>(buffer + kAutoIncrementAt) : data.FollowingAutoIncrement();
  StoreLE(buffer + kAutoIncrementAt, autoIncrement);
  std::vector<uint8_t> image = StoredImage(buffer, FRecordSize, number);

  // Every uniqueness check comes before the first change.
  TKeyJournal keys(*FTable, FFields);
  std::vector<std::pair<int, TKey>> planned;
  for (int slot : KeyIndexSlots()) {
    TKey key = keys.BuildKey(slot, image.data());
    if (keys.Duplicate(slot, key)) RaiseEngineError(err::DuplicateKey, FTableName, {}, {}, IndexNameOf(slot));
    planned.emplace_back(slot, std::move(key));
  }
  const TKey stateKey = keys.BuildKey(kRecordStateSlot, image.data());
  if (FUserRecordIds && keys.Duplicate(kRecordStateSlot, stateKey))
    RaiseEngineError(err::DuplicateKey, FTableName, {}, {}, IndexNameOf(kRecordStateSlot));

  // The slot is reserved before any index changes, so that no index ever holds a key of a
  // record that could not be stored (a full table fails here).
  const bool reused = number != data.NextRecordNumber();
  std::vector<uint8_t> freed;
  if (reused) {
    TPinnedRecord old(records, number, FTableName);
    freed.assign(old->Bytes(), old->Bytes() + old->Size());
  }
  TRecord* slot = records.NewRecord();
  if (slot == nullptr || slot->Number() != number) RaiseEngineError(err::RecordBuffersCorrupt, FTableName);
  bool blobsWritten = false;
  try {
    // BLOB values are written (and take identifiers from the data header) only once the record
    // is sure to be stored: a refused insert leaves the BLOB file and the header as they were.
    blobsWritten = StoreBlobValues(image.data(), nullptr);
    for (const auto& [index, key] : planned) keys.Insert(index, key, number);
    if (reused) {
      keys.Replace(kRecordStateSlot, keys.BuildKey(kRecordStateSlot, freed.data()), stateKey, number);
    } else {
      keys.Insert(kRecordStateSlot, stateKey, number);
    }
  } catch (...) {
    keys.Undo();
    if (reused) {
      // The slot goes back to the head of the free list with the bytes it had.
      slot->SetAutoIncrementValue(LoadLE<int32_t>(&freed[kAutoIncrementAt]));
      slot->SetFieldArea(freed.data());
      records.FreeRecord(*slot);
      records.ReleaseRecord(slot);
    } else {
      records.TakeBackAppended(slot);
    }
    throw;
  }
  keys.Keep();
  slot->SetAutoIncrementValue(autoIncrement);
  slot->SetFieldArea(image.data());
  data.SetLastAutoIncrement(FUserRecordIds ? Larger(data.FollowingAutoIncrement(), autoIncrement) : autoIncrement);
  FTable->Index().IncrementRecordCount();
  FCurrentRecord.assign(slot->Bytes(), slot->Bytes() + std::min(slot->Size(), FRecordSize));
  FCurrentRecord.resize(static_cast<size_t>(FRecordSize), 0);
  FRecordNumber = number;
  FChangedRecord = resync ? 0 : number;
  // The cursor stands on the record it stored, wherever it stood before.
  FAtBeginning = FAtEnd = false;
  records.ReleaseRecord(slot);
  CommitChange(true, blobsWritten, true);
  if (resync) {
    RecountAfterChange(number);
    ResyncToCurrentRecord();
  }
}

// ---- Modify ----

int32_t TDataCursor::EditedRecordNumber() const {
  const int32_t number = LoadLE<int32_t>(&FCurrentRecord[kRecordNumberAt]);
  if (FCurrentRecord[kRecordStateAt] != kRecordActive || number <= 0) RaiseEngineError(err::RecordChanged, FTableName);
  return number;
}

void TDataCursor::ModifyRecord(uint8_t* buffer, bool resync, bool unlock) {
  Writing([&] {
    ValidateRecord(buffer);
    const int32_t number = EditedRecordNumber();
    TDataFile& data = FTable->Data();
    TRecordCache& records = data.Records();
    TPinnedRecord stored(records, number, FTableName);
    // A record freed meanwhile is not brought back: its state byte and free-list link stay.
    if (stored->State() != kRecordActive) RaiseEngineError(err::RecordChanged, FTableName);
    if (!FUserRecordIds) StoreLE(buffer + kAutoIncrementAt, stored->AutoIncrementValue());
    const int32_t autoIncrement = LoadLE<int32_t>(buffer + kAutoIncrementAt);
    std::vector<uint8_t> image = StoredImage(buffer, FRecordSize, number);

    TKeyJournal keys(*FTable, FFields);
    struct TChange {
      int Slot;
      TKey Old, New;
    };
    std::vector<TChange> changes;
    std::vector<int> slots = KeyIndexSlots();
    if (FUserRecordIds) slots.push_back(kRecordStateSlot);
    for (int slot : slots) {
      TKey old = keys.BuildKey(slot, stored->Bytes());
      TKey key = keys.BuildKey(slot, image.data());
      if (old == key) continue;
      if (keys.Duplicate(slot, key)) RaiseEngineError(err::DuplicateKey, FTableName, {}, {}, IndexNameOf(slot));
      changes.push_back({slot, std::move(old), std::move(key)});
    }
    // Keys never hold BLOB values: the values are written once no duplicate can refuse the change.
    const bool blobsWritten = StoreBlobValues(image.data(), stored->Bytes());
    for (const TChange& change : changes) keys.Replace(change.Slot, change.Old, change.New, number);
    keys.Keep();
    stored->SetAutoIncrementValue(autoIncrement);
    stored->SetFieldArea(image.data());
    if (FUserRecordIds) data.SetLastAutoIncrement(Larger(data.LastAutoIncrement(), autoIncrement));
    FCurrentRecord.assign(stored->Bytes(), stored->Bytes() + std::min(stored->Size(), FRecordSize));
    FCurrentRecord.resize(static_cast<size_t>(FRecordSize), 0);
    FRecordNumber = number;
    FChangedRecord = resync ? 0 : number;
    FAtBeginning = FAtEnd = false;
    stored.Release();
    CommitChange(true, blobsWritten, !changes.empty());
    if (unlock) UnlockRecord(number);
    if (resync) {
      RecountAfterChange(number);
      ResyncToCurrentRecord();
    }
  });
}

// ---- Delete ----

void TDataCursor::DeleteRecord(const uint8_t* buffer, bool resync) {
  Writing([&] {
    const int32_t number = EditedRecordNumber();
    WithRecordLocked(number, [&] { DeleteLocked(buffer, number, resync); });
  });
}

void TDataCursor::DeleteLocked(const uint8_t* buffer, int32_t number, bool resync) {
  TDataFile& data = FTable->Data();
  TRecordCache& records = data.Records();
  TPinnedRecord stored(records, number, FTableName);
  // The record the caller means is the one it read: gone or changed since, it is not deleted.
  if (stored->State() != kRecordActive) RaiseEngineError(err::RecordChanged, FTableName);
  if (!FExclusive && std::memcmp(buffer, stored->Bytes(), static_cast<size_t>(std::min(stored->Size(), FRecordSize))) != 0)
    RaiseEngineError(err::RecordChanged, FTableName);

  const bool blobsFreed = RemoveStoredRecord(*stored, number, -1);
  FChangedRecord = resync ? 0 : number;
  stored.Release();
  CommitChange(true, blobsFreed, true);
  if (resync) {
    RecountAfterDelete(number);
    ResyncToCurrentRecord();
  }
}

bool TDataCursor::RemoveStoredRecord(TRecord& stored, int32_t number, int exceptSlot) {
  TKeyJournal keys(*FTable, FFields);
  for (int slot : KeyIndexSlots())
    if (slot != exceptSlot) keys.Delete(slot, keys.BuildKey(slot, stored.Bytes()), number);
  const std::vector<uint8_t> deleted = StoredImage(stored.Bytes(), stored.Size(), number, kRecordDeleted);
  keys.Replace(kRecordStateSlot, keys.BuildKey(kRecordStateSlot, stored.Bytes()),
               keys.BuildKey(kRecordStateSlot, deleted.data()), number);
  keys.Keep();
  const bool blobsFreed = FreeRecordBlobs(stored.Bytes());
  FTable->Index().DecrementRecordCount();
  FTable->Data().Records().FreeRecord(stored);
  return blobsFreed;
}

}  // namespace sklad
