// TIndexPageCache: the cached pages of one index slot, sorted by offset for binary search, with
// their recency so that the least recently used clean, unpinned page is the one reused.
#pragma once

#include <algorithm>
#include <cstdint>

#include "IndexPage.h"
#include "SystemList.h"

namespace sklad {

class TIndexPageCache {
 public:
  static constexpr int kNormalCapacity = 15;
  static constexpr int kTransactionGrowth = 64;

  // The cached page at that offset (now the most recent), or nullptr.
  TPage* Find(uint32_t offset);
  // Adds a page at its sorted place, as the most recent.
  void Add(TPage* page);
  void Remove(TPage* page);
  // The least recently used page that is neither modified nor pinned, or nullptr.
  TPage* LeastRecentClean() const;

  bool Full() const { return FPages.Count() >= FCapacity; }
  int Capacity() const { return FCapacity; }
  // Grows by half at least, so that a long transaction looks for a clean page only a logarithmic
  // number of times.
  void Grow() { FCapacity += std::max(kTransactionGrowth, FCapacity / 2); }
  void ResetCapacity() { FCapacity = kNormalCapacity; }
  const TSystemList<TPage*>& Pages() const { return FPages; }

 private:
  // The index of the first page whose offset is not below the given one.
  int LowerBound(uint32_t offset) const;
  void Touch(TPage* page) { page->LastUse = ++FClock; }

  TSystemList<TPage*> FPages;
  uint64_t FClock = 0;
  int FCapacity = kNormalCapacity;
};

}  // namespace sklad
