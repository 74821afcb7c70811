// TIndexFileHeader: the 4,096-byte header of an index file, kept as its stored bytes with typed
// accessors: change counter, format version, where the next page is appended, the secondary
// index count, the 33 index definition slots, the table's active record count and its flags.
#pragma once

#include <array>
#include <cstdint>

#include "IndexDefinition.h"

namespace sklad {

class TIndexFileHeader {
 public:
  static constexpr int kSize = 4096;
  static constexpr uint8_t kFormatVersion = 4;
  static constexpr int kSlotCount = 33;  // slot 32 is never used
  static constexpr int kMaxSecondaryIndexes = 30;

  TIndexFileHeader() { Clear(); }
  void Clear() { FBytes.fill(0); }

  int32_t ChangeCounter() const;
  void SetChangeCounter(int32_t value);
  uint8_t Version() const { return FBytes[kVersionAt]; }
  void SetVersion(uint8_t version) { FBytes[kVersionAt] = version; }
  uint32_t NextPageOffset() const;
  void SetNextPageOffset(uint32_t offset);
  uint8_t SecondaryCount() const { return FBytes[kSecondaryCountAt]; }
  void SetSecondaryCount(uint8_t count) { FBytes[kSecondaryCountAt] = count; }
  TIndexDefinition Definition(int slot) const;
  void SetDefinition(int slot, const TIndexDefinition& definition);
  int32_t RecordCount() const;
  void SetRecordCount(int32_t count);
  bool NoPrimaryKey() const { return FBytes[kNoPrimaryKeyAt] != 0; }
  void SetNoPrimaryKey(bool value) { FBytes[kNoPrimaryKeyAt] = value ? 1 : 0; }
  bool Modified() const { return FBytes[kModifiedAt] != 0; }
  void SetModified(bool value) { FBytes[kModifiedAt] = value ? 1 : 0; }

  uint8_t* Bytes() { return FBytes.data(); }
  const uint8_t* Bytes() const { return FBytes.data(); }

 private:
  static constexpr int kVersionAt = 8, kNextPageAt = 9, kSecondaryCountAt = 13, kDefinitionsAt = 14;
  static constexpr int kRecordCountAt = 3974, kNoPrimaryKeyAt = 3978, kModifiedAt = 3979;

  std::array<uint8_t, kSize> FBytes;
};

}  // namespace sklad
