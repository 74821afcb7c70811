#include "DataCursor.h"

#include <algorithm>
#include <string>

#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexReadRestart.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {

// ---- Record access ----

int32_t TDataCursor::CountConsecutive(int32_t count, int direction) {
  int32_t run = 1;
  for (int32_t r = FRecordNumber; run < count; ++run) {
    r += direction == 1 ? 1 : -1;
    if (!FVisibleBitmap->Test(r)) break;
  }
  return run;
}

void TDataCursor::CollectUpcoming(int32_t count, int direction) {
  FUpcoming.clear();
  const int step = direction == 1 ? 1 : -1;
  FIndex->Tree().WalkUntil(FCurrentEntry, step, [&](const TKeyLocation& entry, const uint8_t*) {
    const auto ordinal = static_cast<int64_t>(entry.Ordinal);
    if (step > 0 ? ordinal > FRangeEnd : ordinal < FRangeStart) return true;
    const auto number = static_cast<int32_t>(entry.RecordNumber);
    if (!FBitmapNavigation || FVisibleBitmap->Test(number)) FUpcoming.push_back(number);
    return static_cast<int32_t>(FUpcoming.size()) >= count;
  });
}

void TDataCursor::LoadCurrentRecord(int direction) {
  FCurrentRecord.assign(static_cast<size_t>(FRecordSize), 0);
  if (FRecordNumber == 0) return ComputeFields(FCurrentRecord.data());
  TRecordCache& records = FTable->Data().Records();
  TReadAhead readAhead;
  readAhead.Wanted = direction != kLandingRead;
  readAhead.Direction = direction == 2 ? TReadDirection::Backward : TReadDirection::Forward;
  // The records visited next only guide a read; a cached record needs none.
  FUpcoming.clear();
  if (readAhead.Wanted && records.Cached(FRecordNumber) == nullptr) {
    if (NaturalOrder()) {
      readAhead.GuidedCount = CountConsecutive(records.ReadAheadLimit(), direction);
    } else {
      CollectUpcoming(records.ReadAheadLimit(), direction);
    }
  }
  TRecord* record = records.GetRecord(FRecordNumber, readAhead, FUpcoming);
  // The read found another user's change: the caller starts again from a resynchronised cursor.
  if (record == nullptr) throw EIndexReadRestart{};
  std::copy_n(record->Bytes(), std::min(record->Size(), FStoredRecordSize), FCurrentRecord.begin());
  records.ReleaseRecord(record);
  CheckReachedRecord();
  ComputeFields(FCurrentRecord.data());
}

void TDataCursor::CopyCurrent(uint8_t* buffer, bool valid) const {
  if (buffer == nullptr) return;
  if (valid) {
    std::copy(FCurrentRecord.begin(), FCurrentRecord.end(), buffer);
  } else {
    std::fill_n(buffer, FRecordSize, 0);
  }
}

int TDataCursor::ReadCurrent(uint8_t* buffer) {
  return Reading([&] {
    int status = cursor_status::Ok;
    if (FAtBeginning && FAtEnd) {
      status = cursor_status::NoCurrentRecord;
    } else if (FAtBeginning) {
      status = cursor_status::BeginningOfFile;
    } else if (FAtEnd) {
      status = cursor_status::EndOfFile;
    }
    if (status != cursor_status::Ok) {
      CopyCurrent(buffer, false);
      return status;
    }
    LoadCurrentRecord(1);
    CopyCurrent(buffer, true);
    return status;
  });
}

const TFieldDefinition& TDataCursor::TableField(int fieldNo) const {
  if (fieldNo < 1 || fieldNo > FFields.Count()) {
    RaiseEngineError(err::InvalidField, FTableName, {}, std::to_string(fieldNo));
  }
  return FFields[fieldNo - 1];
}

bool TDataCursor::GetTableField(int fieldNo, const uint8_t* record, uint8_t* dest) const {
  const TFieldDefinition& field = TableField(fieldNo);
  const int offset = field.Offset();
  if (field.IsAutoIncrement()) {
    if (offset + 4 > FRecordSize) RaiseEngineError(err::RecordBuffersCorrupt, FTableName, field.Name());
    if (dest != nullptr) std::copy_n(record + offset, 4, dest);
    return false;
  }
  const int size = field.Type() == TFieldType::Blob ? 4 : field.StoredSize();
  // Definitions come from the file: a value reaching past the record is a damaged table.
  if (offset + 1 + size > FRecordSize) RaiseEngineError(err::RecordBuffersCorrupt, FTableName, field.Name());
  if (dest != nullptr) {
    std::fill_n(dest, size, 0);
    std::copy_n(record + offset + 1, size, dest);
  }
  if (field.Type() == TFieldType::Blob) {
    // An open value is null when it is empty; a foreign handle reads as a value.
    const int32_t reference = LoadLE<int32_t>(record + offset + 1);
    if (reference < 0) {
      const TBlobBuffer* open = FindBlob(reference);
      return open != nullptr && open->Bytes.empty();
    }
  }
  return record[offset] == 0;
}

}  // namespace sklad
