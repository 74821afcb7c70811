#include "BlobBlockCache.h"

#include <algorithm>

namespace sklad {

int TBlobBlockCache::NormalCapacity(int32_t blockSize) {
  return blockSize <= 0 ? 32767 : std::max(1, std::min(131070 / blockSize, 32767));
}

int TBlobBlockCache::LowerBound(uint32_t offset) const {
  int low = 0, high = FBlocks.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FBlocks[middle]->Offset < offset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

TBlock* TBlobBlockCache::Peek(uint32_t offset) const {
  const int at = LowerBound(offset);
  return at < FBlocks.Count() && FBlocks[at]->Offset == offset ? FBlocks[at] : nullptr;
}

TBlock* TBlobBlockCache::Find(uint32_t offset) {
  TBlock* block = Peek(offset);
  if (block != nullptr) Touch(block);
  return block;
}

void TBlobBlockCache::Add(TBlock* block) {
  FBlocks.Insert(LowerBound(block->Offset), block);
  Touch(block);
}

void TBlobBlockCache::Remove(TBlock* block) {
  const int at = LowerBound(block->Offset);
  if (at < FBlocks.Count() && FBlocks[at] == block) FBlocks.Delete(at);
}

TBlock* TBlobBlockCache::LeastRecentClean() const {
  TBlock* oldest = nullptr;
  for (TBlock* block : FBlocks)
    if (!block->Modified && block->Pins == 0 && (oldest == nullptr || block->LastUse < oldest->LastUse))
      oldest = block;
  return oldest;
}

}  // namespace sklad
