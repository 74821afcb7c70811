// TBlobBlockCache: the cached blocks of a BLOB file, sorted by offset, the least recently used
// clean, unpinned block being the one reused.
#pragma once

#include <cstdint>

#include "BlobBlock.h"
#include "engine/storage/file/OffsetCache.h"

namespace sklad {

class TBlobBlockCache : public TOffsetCache<TBlock> {
 public:
  static constexpr int kTransactionGrowth = 255;

  TBlobBlockCache() : TOffsetCache(1, kTransactionGrowth) {}

  // The normal capacity for blocks of that size: min(131,070 / size, 32,767).
  static int NormalCapacity(int32_t blockSize);
  const TSystemList<TBlock*>& Blocks() const { return Items(); }
};

}  // namespace sklad
