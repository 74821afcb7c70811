#include "Record.h"

#include <algorithm>
#include <cstring>

#include "DataFile.h"
#include "EngineError.h"
#include "LittleEndian.h"
#include "RecordLayout.h"
#include "Scrambler.h"

namespace sklad {

TRecord::TRecord(TDataFile& file) : FFile(&file) { Resize(file.RecordSize()); }

void TRecord::Resize(int recordSize) { FBytes.assign(static_cast<size_t>(std::max(recordSize, kFieldAreaAt)), 0); }

void TRecord::Clear(bool assignAutoIncrement) {
  std::fill(FBytes.begin(), FBytes.end(), 0);
  if (assignAutoIncrement) StoreLE(&FBytes[kAutoIncrementAt], FFile->NextAutoIncrement());
  StoreLE(&FBytes[kRecordNumberAt], FNumber);
  FModified = false;
}

void TRecord::Load(const uint8_t* stored) {
  std::memcpy(FBytes.data(), stored, FBytes.size());
  if (FFile->Encrypted()) Scramble(FBytes.data(), FBytes.size(), kRecordScrambleSeed);
  if (State() == kRecordActive) StoreLE(&FBytes[kRecordNumberAt], FNumber);
  FModified = false;
}

void TRecord::Store(uint8_t* out) const {
  std::memcpy(out, FBytes.data(), FBytes.size());
  if (FFile->Encrypted()) Scramble(out, FBytes.size(), kRecordScrambleSeed);
}

void TRecord::SetNumber(int32_t number) {
  if (number == FNumber) return;
  FNumber = number;
  if (State() == kRecordActive) StoreLE(&FBytes[kRecordNumberAt], number);
}

void TRecord::SetState(uint8_t state) {
  FBytes[kRecordStateAt] = state;
  FModified = true;
}

int32_t TRecord::FreeLink() const {
  return State() != kRecordActive ? LoadLE<int32_t>(&FBytes[kRecordNumberAt]) : 0;
}

void TRecord::SetFreeLink(int32_t number) {
  StoreLE(&FBytes[kRecordNumberAt], number);
  FModified = true;
}

int32_t TRecord::AutoIncrementValue() const { return LoadLE<int32_t>(&FBytes[kAutoIncrementAt]); }

void TRecord::SetAutoIncrementValue(int32_t value) {
  StoreLE(&FBytes[kAutoIncrementAt], value);
  FModified = true;
}

void TRecord::CopyFrom(const TRecord& other) {
  FFile = other.FFile;
  FModified = other.FModified;
  FNumber = other.FNumber;
  std::memcpy(FBytes.data(), other.FBytes.data(), std::min(FBytes.size(), other.FBytes.size()));
}

bool TRecord::SameBytes(const uint8_t* bytes) const { return std::memcmp(FBytes.data(), bytes, FBytes.size()) == 0; }

void TRecord::SetFieldArea(const uint8_t* image) {
  std::memcpy(FBytes.data() + kFieldAreaAt, image + kFieldAreaAt, FBytes.size() - kFieldAreaAt);
  FModified = true;
}

int TRecord::CheckedFieldOffset(const TFieldDefinition& field) const {
  // Callers read the stored-size bytes of the value: from byte 5 for the auto-increment field,
  // after the null-flag byte for the others. All of them must lie in the record.
  const int offset = field.Offset();
  const int valueAt = field.IsAutoIncrement() ? kAutoIncrementAt : offset + 1;
  const int valueSize = field.IsAutoIncrement() ? std::max<int>(field.StoredSize(), 4) : field.StoredSize();
  if (offset < kAutoIncrementAt || valueAt + valueSize > Size())
    RaiseEngineError(err::RecordBuffersCorrupt, FFile->FileName());
  return offset;
}

bool TRecord::IsNull(const TFieldDefinition& field) const {
  const int offset = CheckedFieldOffset(field);
  return !field.IsAutoIncrement() && FBytes[static_cast<size_t>(offset)] == 0;
}

const uint8_t* TRecord::FieldValue(const TFieldDefinition& field) const {
  if (IsNull(field)) return nullptr;
  const int offset = CheckedFieldOffset(field);
  return &FBytes[static_cast<size_t>(field.IsAutoIncrement() ? offset : offset + 1)];
}

uint8_t* TRecord::MutableFieldValue(const TFieldDefinition& field) {
  const int offset = CheckedFieldOffset(field);
  FModified = true;
  if (field.IsAutoIncrement()) return &FBytes[static_cast<size_t>(offset)];
  FBytes[static_cast<size_t>(offset)] = 1;
  return &FBytes[static_cast<size_t>(offset + 1)];
}

void TRecord::SetNull(const TFieldDefinition& field) {
  const int offset = CheckedFieldOffset(field);
  if (field.IsAutoIncrement()) return;
  std::fill_n(FBytes.begin() + offset, field.StoredSize() + 1, 0);
  FModified = true;
}

}  // namespace sklad
