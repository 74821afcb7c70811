// TBlobFileHeader: the 512-byte header of a BLOB file, kept as its stored bytes with typed
// accessors: change counter, format version, the head of the free-block list, where the next
// block is appended, and the modified flag.
#pragma once

#include <array>
#include <cstdint>

#include "engine/storage/core/LittleEndian.h"

namespace sklad {

class TBlobFileHeader {
 public:
  static constexpr int kSize = 512;
  static constexpr uint8_t kFormatVersion = 4;

  TBlobFileHeader() { Clear(); }
  void Clear() { FBytes.fill(0); }

  int32_t ChangeCounter() const { return LoadLE<int32_t>(&FBytes[kChangeCounterAt]); }
  void SetChangeCounter(int32_t value) { StoreLE(&FBytes[kChangeCounterAt], value); }
  uint8_t Version() const { return FBytes[kVersionAt]; }
  void SetVersion(uint8_t version) { FBytes[kVersionAt] = version; }
  uint32_t FirstFreeBlock() const { return LoadLE<uint32_t>(&FBytes[kFirstFreeAt]); }
  void SetFirstFreeBlock(uint32_t offset) { StoreLE(&FBytes[kFirstFreeAt], offset); }
  uint32_t NextBlockOffset() const { return LoadLE<uint32_t>(&FBytes[kNextBlockAt]); }
  void SetNextBlockOffset(uint32_t offset) { StoreLE(&FBytes[kNextBlockAt], offset); }
  bool Modified() const { return FBytes[kModifiedAt] != 0; }
  void SetModified(bool value) { FBytes[kModifiedAt] = value ? 1 : 0; }

  uint8_t* Bytes() { return FBytes.data(); }
  const uint8_t* Bytes() const { return FBytes.data(); }

 private:
  static constexpr int kChangeCounterAt = 0, kVersionAt = 8, kFirstFreeAt = 9, kNextBlockAt = 13;
  static constexpr int kModifiedAt = 17;

  std::array<uint8_t, kSize> FBytes;
};

}  // namespace sklad
