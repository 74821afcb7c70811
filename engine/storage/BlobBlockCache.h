// TBlobBlockCache: the cached blocks of a BLOB file, sorted by offset for binary search, with
// their recency so that the least recently used clean, unpinned block is the one reused.
#pragma once

#include <algorithm>
#include <cstdint>

#include "BlobBlock.h"
#include "SystemList.h"

namespace sklad {

class TBlobBlockCache {
 public:
  static constexpr int kTransactionGrowth = 255;

  // The normal capacity for blocks of that size: min(131,070 / size, 32,767).
  static int NormalCapacity(int32_t blockSize);
  void SetNormalCapacity(int capacity) { FNormalCapacity = FCapacity = capacity; }

  // The cached block at that offset (now the most recent), or nullptr.
  TBlock* Find(uint32_t offset);
  // The cached block at that offset without counting a use, or nullptr.
  TBlock* Peek(uint32_t offset) const;
  // Adds a block at its sorted place, as the most recent.
  void Add(TBlock* block);
  void Remove(TBlock* block);
  // The least recently used block that is neither modified nor pinned, or nullptr.
  TBlock* LeastRecentClean() const;

  bool Full() const { return FBlocks.Count() >= FCapacity; }
  int Capacity() const { return FCapacity; }
  // Grows by half at least, so that a long transaction looks for a clean block only a
  // logarithmic number of times.
  void Grow() { FCapacity += std::max(kTransactionGrowth, FCapacity / 2); }
  void ResetCapacity() { FCapacity = FNormalCapacity; }
  const TSystemList<TBlock*>& Blocks() const { return FBlocks; }

 private:
  int LowerBound(uint32_t offset) const;
  void Touch(TBlock* block) { block->LastUse = ++FClock; }

  TSystemList<TBlock*> FBlocks;
  uint64_t FClock = 0;
  int FNormalCapacity = 1;
  int FCapacity = 1;
};

}  // namespace sklad
