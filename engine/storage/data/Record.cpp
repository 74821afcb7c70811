#include "Record.h"

#include <algorithm>
#include <cstring>

#include "DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"
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

int TRecord::CheckedValueAt(const TFieldDefinition& field) const {
  // Callers read the stored-size bytes of the value: bytes 5.. for the auto-increment field
  // (whatever offset its definition claims), after the null-flag byte for the others. All of
  // them must lie in the record.
  const bool autoIncrement = field.IsAutoIncrement();
  const int valueAt = autoIncrement ? kAutoIncrementAt : field.Offset() + 1;
  const int valueSize = autoIncrement ? std::max<int>(field.StoredSize(), 4) : field.StoredSize();
  if ((!autoIncrement && field.Offset() < kFieldAreaAt) || valueAt + valueSize > Size())
    RaiseEngineError(err::RecordBuffersCorrupt, FFile->FileName());
  return valueAt;
}

bool TRecord::IsNull(const TFieldDefinition& field) const {
  const int valueAt = CheckedValueAt(field);
  return !field.IsAutoIncrement() && FBytes[static_cast<size_t>(valueAt - 1)] == 0;
}

const uint8_t* TRecord::FieldValue(const TFieldDefinition& field) const {
  return IsNull(field) ? nullptr : &FBytes[static_cast<size_t>(CheckedValueAt(field))];
}

uint8_t* TRecord::MutableFieldValue(const TFieldDefinition& field) {
  const int valueAt = CheckedValueAt(field);
  if (!field.IsAutoIncrement()) FBytes[static_cast<size_t>(valueAt - 1)] = 1;
  FModified = true;
  return &FBytes[static_cast<size_t>(valueAt)];
}

void TRecord::SetNull(const TFieldDefinition& field) {
  const int valueAt = CheckedValueAt(field);
  if (field.IsAutoIncrement()) return;
  std::fill_n(FBytes.begin() + (valueAt - 1), field.StoredSize() + 1, 0);
  FModified = true;
}

}  // namespace sklad
