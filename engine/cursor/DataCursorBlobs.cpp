#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/blob/BlobChain.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

// A BLOB field's bytes after its null-flag byte: the first block offset (or, while open, a
// handle), then the BLOB identifier.
constexpr int kReferenceAt = 1;
constexpr int kBlobIdAt = 5;
// The record number in a record buffer, after the state byte.
constexpr int kRecordNumberAt = 1;

constexpr int32_t kLargestValue = std::numeric_limits<int32_t>::max();

// Resizes a value, reporting a failed allocation as the engine's error.
void ResizeValue(TBlobBuffer& buffer, int64_t length) {
  try {
    buffer.Bytes.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    RaiseEngineError(err::OutOfMemory);
  }
  buffer.Modified = true;
}

}  // namespace

// ---- Handles ----

int32_t TDataCursor::BlobReference(const TFieldDefinition& field, const uint8_t* record) const {
  uint8_t bytes[4];
  GetTableField(field.Number(), record, bytes);
  return LoadLE<int32_t>(bytes);
}

void TDataCursor::StoreBlobReference(const TFieldDefinition& field, uint8_t* record, int32_t reference) const {
  StoreLE(record + field.Offset() + kReferenceAt, reference);
  const TBlobBuffer* open = reference < 0 ? FindBlob(reference) : nullptr;
  record[field.Offset()] = reference > 0 || (open != nullptr && !open->Bytes.empty()) ? 1 : 0;
}

int TDataCursor::BlobSlot(int32_t handle) const {
  if (handle >= 0) return -1;
  for (int i = 0; i < FBlobBuffers.Count(); ++i) {
    if (FBlobBuffers[i].Handle == handle) return i;
  }
  return -1;
}

TBlobBuffer* TDataCursor::FindBlob(int32_t handle) const {
  const int slot = BlobSlot(handle);
  return slot < 0 ? nullptr : FBlobBuffers[slot].Buffer.get();
}

int32_t TDataCursor::NewBlobHandle() {
  do {
    FLastBlobHandle = FLastBlobHandle == kLargestValue ? 1 : FLastBlobHandle + 1;
  } while (BlobSlot(-FLastBlobHandle) >= 0);
  return -FLastBlobHandle;
}

TBlobBuffer* TDataCursor::OpenValue(int fieldNo, const uint8_t* record) const {
  return FindBlob(BlobReference(TableField(fieldNo), record));
}

// ---- Opening and closing ----

int TDataCursor::OpenTableBlob(int fieldNo, uint8_t* record, int closeTag, uint8_t mode) {
  const TFieldDefinition& field = TableField(fieldNo);
  if (field.Type() != TFieldType::Blob) return err::InvalidBlobField;
  return Reading([&]() -> int {
    const int32_t reference = BlobReference(field, record);
    if (reference < 0) {
      TBlobBuffer* open = FindBlob(reference);
      if (open == nullptr) return err::InvalidBlobOffset;
      if (open->Keep && closeTag != 0) open->Keep = false;
      return 0;
    }
    if (FBlobBuffers.Count() >= kMaxOpenBlobs) return err::TooManyBlobs;
    auto buffer = std::make_unique<TBlobBuffer>();
    buffer->FieldNumber = static_cast<uint16_t>(fieldNo);
    buffer->FirstBlock = static_cast<uint32_t>(reference);
    buffer->OpenMode = mode;
    buffer->Keep = closeTag == 0;
    buffer->BlobId = LoadLE<int32_t>(record + field.Offset() + kBlobIdAt);
    buffer->RecordNumber = LoadLE<int32_t>(record + kRecordNumberAt);
    if (reference != 0) {
      if (!FTable->HasBlobFile()) RaiseEngineError(err::BlobBuffersCorrupt, FTableName);
      // A value that fails to load is not kept open.
      ReadBlobValue(FTable->Blob(), *buffer, FScanningRecords);
    }
    const int32_t handle = NewBlobHandle();
    FBlobBuffers.Add(TOpenBlob{handle, std::move(buffer)});
    StoreBlobReference(field, record, handle);
    return 0;
  });
}

int TDataCursor::CloseTableBlob(int fieldNo, uint8_t* record, int closeTag) {
  const TFieldDefinition& field = TableField(fieldNo);
  if (field.Type() != TFieldType::Blob) return err::InvalidBlobField;
  const int32_t handle = BlobReference(field, record);
  const int slot = BlobSlot(handle);
  if (slot < 0) return err::InvalidBlobHandle;
  const TBlobBuffer& buffer = *FBlobBuffers[slot].Buffer;
  if (buffer.Keep == (closeTag == 0)) {
    const int32_t firstBlock = static_cast<int32_t>(buffer.FirstBlock);
    FBlobBuffers.Delete(slot);
    StoreBlobReference(field, record, firstBlock);
  } else {
    StoreBlobReference(field, record, handle);
  }
  return 0;
}

void TDataCursor::FreeBlobBuffers(bool all) {
  for (int i = FBlobBuffers.Count() - 1; i >= 0; --i) {
    if (all || !FBlobBuffers[i].Buffer->Keep) FBlobBuffers.Delete(i);
  }
}

// ---- Reading and changing an open value ----

int TDataCursor::ReadTableBlob(int fieldNo, const uint8_t* record, int32_t& count, int32_t wanted, uint8_t* dest,
                          int32_t offset) {
  count = 0;
  if (TableField(fieldNo).Type() != TFieldType::Blob) return err::InvalidBlobField;
  const TBlobBuffer* open = OpenValue(fieldNo, record);
  if (open == nullptr) return err::InvalidBlobHandle;
  if (offset < 0 || wanted < 0) return err::InvalidBlobOffset;
  const int64_t length = static_cast<int64_t>(open->Bytes.size());
  const int64_t available = std::max<int64_t>(length - offset, 0);
  count = static_cast<int32_t>(std::min<int64_t>(wanted, available));
  if (count > 0) std::memcpy(dest, open->Bytes.data() + offset, static_cast<size_t>(count));
  return count == wanted ? 0 : err::EndOfBlob;
}

int TDataCursor::WriteTableBlob(int fieldNo, const uint8_t* record, int32_t count, const uint8_t* source, int32_t offset) {
  if (TableField(fieldNo).Type() != TFieldType::Blob) return err::InvalidBlobField;
  TBlobBuffer* open = OpenValue(fieldNo, record);
  if (open == nullptr) return err::InvalidBlobHandle;
  const int64_t end = int64_t{offset} + count;
  if (offset < 0 || count < 0 || end > kLargestValue) return err::InvalidBlobOffset;
  if (end > static_cast<int64_t>(open->Bytes.size())) ResizeValue(*open, end);
  if (count > 0) std::memcpy(open->Bytes.data() + offset, source, static_cast<size_t>(count));
  open->Modified = true;
  return 0;
}

int TDataCursor::TruncateTableBlob(int fieldNo, const uint8_t* record, int32_t newLength) {
  if (TableField(fieldNo).Type() != TFieldType::Blob) return err::InvalidBlobField;
  TBlobBuffer* open = OpenValue(fieldNo, record);
  if (open == nullptr) return err::InvalidBlobHandle;
  if (newLength < 0) return err::InvalidBlobOffset;
  ResizeValue(*open, newLength);
  if (newLength == 0) open->Bytes.shrink_to_fit();
  return 0;
}

int TDataCursor::GetTableBlobSize(int fieldNo, const uint8_t* record, int32_t& length) {
  length = 0;
  if (TableField(fieldNo).Type() != TFieldType::Blob) return err::InvalidBlobField;
  const TBlobBuffer* open = OpenValue(fieldNo, record);
  if (open == nullptr) return err::InvalidBlobHandle;
  length = static_cast<int32_t>(open->Bytes.size());
  return 0;
}

// ---- Posting ----

bool TDataCursor::PostBlobs(uint8_t* record) {
  // Only the values this record holds are posted with it: a value another record buffer holds
  // open (a stream the caller has not closed yet) stays open, and its reference stays out of
  // this record.
  std::vector<TBlobBuffer*> held;
  for (const TOpenBlob& open : FBlobBuffers) {
    if (BlobReference(TableField(open.Buffer->FieldNumber), record) == open.Handle) held.push_back(open.Buffer.get());
  }
  // Modified values get new identifiers: a reader holding the old record sees the change.
  int32_t owner = 0;
  bool anyModified = false;
  for (TBlobBuffer* buffer : held) {
    if (!buffer->Modified) continue;
    // Every value written belongs to the one record being posted.
    if (anyModified && buffer->RecordNumber != owner) RaiseEngineError(err::BlobBuffersCorrupt, FTableName);
    owner = buffer->RecordNumber;
    anyModified = true;
    buffer->BlobId = FTable->Data().NextBlobId();
    StoreLE(record + TableField(buffer->FieldNumber).Offset() + kBlobIdAt, buffer->BlobId);
  }
  for (TBlobBuffer* buffer : held) {
    if (!buffer->Modified) continue;
    WriteBlobValue(FTable->Blob(), *buffer);
    buffer->Modified = false;
  }
  for (TBlobBuffer* buffer : held) {
    StoreBlobReference(TableField(buffer->FieldNumber), record, static_cast<int32_t>(buffer->FirstBlock));
  }
  FreeBlobBuffers(false);
  return anyModified;
}

bool TDataCursor::FreeRecordBlobs(const uint8_t* record) {
  bool freed = false;
  for (int n = 1; n <= FFields.Count(); ++n) {
    const TFieldDefinition& field = TableField(n);
    if (field.Type() != TFieldType::Blob || record[field.Offset()] == 0) continue;
    const int32_t firstBlock = LoadLE<int32_t>(record + field.Offset() + kReferenceAt);
    if (firstBlock <= 0) continue;
    FreeBlobChain(FTable->Blob(), static_cast<uint32_t>(firstBlock), LoadLE<int32_t>(record + field.Offset() + kBlobIdAt),
                  LoadLE<int32_t>(record + kRecordNumberAt), false);
    freed = true;
  }
  return freed;
}

void TDataCursor::EmptyAllBlobs(uint8_t* record) {
  for (int n = 1; n <= FFields.Count(); ++n) {
    if (TableField(n).Type() != TFieldType::Blob) continue;
    int code = OpenTableBlob(n, record, 1, kBlobWrite);
    if (code == 0) code = TruncateTableBlob(n, record, 0);
    if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), FTableName, TableField(n).Name());
  }
}

std::vector<uint8_t> TDataCursor::ReadWholeTableBlob(int fieldNo, const uint8_t* record) {
  const auto check = [&](int code) {
    if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), FTableName);
  };
  // One read bracket for the four steps: the table's locks and change counters once per value.
  return Reading([&] {
    std::vector<uint8_t> image(record, record + FStoredRecordSize);  // the table's fields are enough
    check(OpenTableBlob(fieldNo, image.data(), 1, kBlobRead));
    std::vector<uint8_t> bytes;
    try {
      int32_t length = 0;
      check(GetTableBlobSize(fieldNo, image.data(), length));
      bytes.resize(static_cast<size_t>(length));
      int32_t read = 0;
      if (length > 0) check(ReadTableBlob(fieldNo, image.data(), read, length, bytes.data(), 0));
      bytes.resize(static_cast<size_t>(read));
    } catch (...) {
      CloseTableBlob(fieldNo, image.data(), 1);
      throw;
    }
    check(CloseTableBlob(fieldNo, image.data(), 1));
    return bytes;
  });
}

}  // namespace sklad
