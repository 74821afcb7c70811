// TBlock: one cached block of a BLOB file — its offset, pin count and modified flag, the working
// copies of its 18 header bytes and its data area. Setting a header field to a different value
// marks the block modified.
#pragma once

#include <cstdint>
#include <vector>

namespace sklad {

class TBlock {
 public:
  static constexpr int kHeaderSize = 18;

  // Zeroes everything and sizes the data area for blocks of that size.
  void Reset(uint32_t offset, int32_t blockSize);
  // Takes header and data from the block's stored bytes (blockSize bytes).
  void Load(const uint8_t* stored);
  // Writes header and data as stored bytes (blockSize bytes).
  void Store(uint8_t* stored) const;
  // Zeroes header and data; the block is then modified.
  void Clear();

  uint32_t Previous() const { return FPrevious; }
  uint32_t Next() const { return FNext; }
  uint16_t UsedBytes() const { return FUsedBytes; }
  int32_t BlobId() const { return FBlobId; }
  uint32_t TotalLength() const { return FTotalLength; }
  void SetPrevious(uint32_t offset) { Change(FPrevious, offset); }
  void SetNext(uint32_t offset) { Change(FNext, offset); }
  void SetUsedBytes(uint16_t count) { Change(FUsedBytes, count); }
  void SetBlobId(int32_t id) { Change(FBlobId, id); }
  void SetTotalLength(uint32_t length) { Change(FTotalLength, length); }

  // The data area: block size - 18 bytes. Who writes into it sets Modified.
  uint8_t* Data() { return FData.data(); }
  const uint8_t* Data() const { return FData.data(); }
  int32_t DataSize() const { return static_cast<int32_t>(FData.size()); }

  uint32_t Offset = 0;
  bool Modified = false;
  int Pins = 0;
  TBlock* Newer = nullptr;  // the cache's recency links
  TBlock* Older = nullptr;

 private:
  template <typename T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = value;
    Modified = true;
  }

  uint32_t FPrevious = 0;
  uint32_t FNext = 0;
  uint16_t FUsedBytes = 0;
  int32_t FBlobId = 0;
  uint32_t FTotalLength = 0;
  std::vector<uint8_t> FData;
};

}  // namespace sklad
