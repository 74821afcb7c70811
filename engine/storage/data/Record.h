// TRecord: one record of a data file held in memory — its bytes in the record layout, its
// number, and the pin count and modified flag by which the record cache decides what it may
// evict, refresh and write back.
#pragma once

#include <cstdint>
#include <vector>

#include "FieldDefinition.h"

namespace sklad {

class TDataFile;

class TRecord {
 public:
  explicit TRecord(TDataFile& file);
  TRecord(const TRecord&) = delete;
  TRecord& operator=(const TRecord&) = delete;

  // Zeroes the bytes; bytes 1..4 take the record number and, when asked, bytes 5..8 the data
  // file's next auto-increment value. Not modified afterwards.
  void Clear(bool assignAutoIncrement);
  // Takes the record's bytes as stored in the file (unscrambled when the table is encrypted);
  // an active record's bytes 1..4 become its own number. Not modified afterwards.
  void Load(const uint8_t* stored);
  // The record's bytes as the file stores them (scrambled when the table is encrypted).
  void Store(uint8_t* out) const;

  int32_t Number() const { return FNumber; }
  // An active record's bytes 1..4 follow the number.
  void SetNumber(int32_t number);
  uint8_t State() const { return FBytes[0]; }
  void SetState(uint8_t state);
  // The next free record of a deleted record; 0 for an active one.
  int32_t FreeLink() const;
  void SetFreeLink(int32_t number);
  int32_t AutoIncrementValue() const;
  void SetAutoIncrementValue(int32_t value);

  // Number, modified flag and the common bytes of another record of the same file.
  void CopyFrom(const TRecord& other);
  bool SameBytes(const uint8_t* bytes) const;
  // Copies the field area (bytes 9 on) from a record image of this file's record size.
  void SetFieldArea(const uint8_t* image);

  // Field values: the stored-size bytes of a field, or null. The auto-increment field is the
  // record's own auto-increment value and is never null. A definition that does not fit the
  // record raises 8962.
  bool IsNull(const TFieldDefinition& field) const;
  const uint8_t* FieldValue(const TFieldDefinition& field) const;  // nullptr when null
  // Marks the field present and the record modified; the caller fills the bytes.
  uint8_t* MutableFieldValue(const TFieldDefinition& field);
  void SetNull(const TFieldDefinition& field);

  const uint8_t* Bytes() const { return FBytes.data(); }
  int Size() const { return static_cast<int>(FBytes.size()); }
  bool Modified() const { return FModified; }
  void SetModified(bool modified) { FModified = modified; }

  void Pin() { ++FPinCount; }
  void Unpin() {
    if (FPinCount > 0) --FPinCount;
  }
  void ClearPins() { FPinCount = 0; }
  bool Pinned() const { return FPinCount > 0; }
  int PinCount() const { return FPinCount; }

 private:
  friend class TRecordCache;  // keeps the recency links and renumbers entries it reuses
  friend class TRecordStack;  // resizes pooled records for the file they serve next

  // Where the field's value starts, after checking that flag and value lie in the record.
  int CheckedValueAt(const TFieldDefinition& field) const;
  void Resize(int recordSize);

  TDataFile* FFile;
  bool FModified = false;
  uint16_t FPinCount = 0;
  int32_t FNumber = 0;
  std::vector<uint8_t> FBytes;
  TRecord* FOlder = nullptr;  // towards the least recently used
  TRecord* FNewer = nullptr;  // towards the most recently used
  bool FEvicted = false;      // taken out of the recency list, about to leave the sorted cache
};

}  // namespace sklad
