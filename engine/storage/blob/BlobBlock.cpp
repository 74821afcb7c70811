#include "BlobBlock.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {
constexpr int kPreviousAt = 0, kNextAt = 4, kUsedBytesAt = 8, kBlobIdAt = 10, kTotalLengthAt = 14;
}  // namespace

void TBlock::Reset(uint32_t offset, int32_t blockSize) {
  Offset = offset;
  Modified = false;
  Pins = 0;
  FData.assign(static_cast<size_t>(blockSize - kHeaderSize), 0);
  FPrevious = FNext = 0;
  FUsedBytes = 0;
  FBlobId = 0;
  FTotalLength = 0;
}

void TBlock::Load(const uint8_t* stored) {
  FPrevious = LoadLE<uint32_t>(stored + kPreviousAt);
  FNext = LoadLE<uint32_t>(stored + kNextAt);
  FUsedBytes = LoadLE<uint16_t>(stored + kUsedBytesAt);
  FBlobId = LoadLE<int32_t>(stored + kBlobIdAt);
  FTotalLength = LoadLE<uint32_t>(stored + kTotalLengthAt);
  std::memcpy(FData.data(), stored + kHeaderSize, FData.size());
}

void TBlock::Store(uint8_t* stored) const {
  StoreLE(stored + kPreviousAt, FPrevious);
  StoreLE(stored + kNextAt, FNext);
  StoreLE(stored + kUsedBytesAt, FUsedBytes);
  StoreLE(stored + kBlobIdAt, FBlobId);
  StoreLE(stored + kTotalLengthAt, FTotalLength);
  std::memcpy(stored + kHeaderSize, FData.data(), FData.size());
}

void TBlock::Clear() {
  FPrevious = FNext = 0;
  FUsedBytes = 0;
  FBlobId = 0;
  FTotalLength = 0;
  std::fill(FData.begin(), FData.end(), 0);
  Modified = true;
}

}  // namespace sklad
