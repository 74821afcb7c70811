#include "BlobBlockCache.h"

#include <algorithm>

namespace sklad {

int TBlobBlockCache::NormalCapacity(int32_t blockSize) {
  return blockSize <= 0 ? 32767 : std::max(1, std::min(131070 / blockSize, 32767));
}

}  // namespace sklad
