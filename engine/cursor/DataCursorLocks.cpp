#include <algorithm>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

// ---- Record locks and reading for editing ----

void TDataCursor::SetUserRecordIds(bool value) {
  const bool hasAutoIncrement =
      std::ranges::any_of(FFields, [](const TFieldDefinition& field) { return field.IsAutoIncrement(); });
  if (hasAutoIncrement) FUserRecordIds = value;
}

void TDataCursor::LockRecord(int32_t recordNumber) {
  const int32_t number = recordNumber == 0 ? FRecordNumber : recordNumber;
  const bool changed = FTable->LockRecord(number);
  // The table took the read lock to look for other users' changes; outside a read or write
  // bracket of this cursor nothing else gives it back.
  struct TReadLockRelease {
    TDataCursor& Cursor;
    ~TReadLockRelease() {
      if (Cursor.FReadDepth == 0 && Cursor.FTable->HoldsReadLock()) Cursor.FTable->EndRead();
    }
  } release{*this};
  if (TableChanged() || changed) Resynchronise();
}

void TDataCursor::UnlockRecord(int32_t recordNumber) {
  FTable->UnlockRecord(recordNumber == 0 ? FRecordNumber : recordNumber);
}

int TDataCursor::ReadCurrent(uint8_t* buffer, bool lock) {
  if (!lock) return ReadCurrent(buffer);
  return Reading([&] {
    // On a crack or without records there is nothing to lock: the read answers the status.
    if (FAtBeginning || FAtEnd) return ReadCurrent(buffer);
    const int32_t number = FRecordNumber;
    LockRecord(number);
    LoadCurrentRecord(1);
    if (!FExclusive && buffer != nullptr &&
        (FRecordNumber != number || !std::equal(FCurrentRecord.begin(), FCurrentRecord.end(), buffer))) {
      UnlockRecord(number);
      RaiseEngineError(err::RecordChanged, FTableName);
    }
    if (buffer != nullptr) std::copy(FCurrentRecord.begin(), FCurrentRecord.end(), buffer);
    return cursor_status::Ok;
  });
}

}  // namespace sklad
