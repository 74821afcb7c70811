// TIndexPageCache: the cached pages of one index slot, sorted by offset, the least recently used
// clean, unpinned page being the one reused.
#pragma once

#include "IndexPage.h"
#include "engine/storage/file/OffsetCache.h"

namespace sklad {

class TIndexPageCache : public TOffsetCache<TPage> {
 public:
  static constexpr int kNormalCapacity = 15;
  static constexpr int kTransactionGrowth = 64;

  TIndexPageCache() : TOffsetCache(kNormalCapacity, kTransactionGrowth) {}

  const TSystemList<TPage*>& Pages() const { return Items(); }
};

}  // namespace sklad
