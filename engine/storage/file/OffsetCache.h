// TOffsetCache: the cached blocks or pages of one file, sorted by file offset for binary search,
// with a recency list so that the least recently used clean, unpinned item is found from the old
// end at once. An item type provides Offset, Modified, Pins and the Newer/Older links.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/storage/core/SystemList.h"

namespace sklad {

template <class TItem>
class TOffsetCache {
 public:
  TOffsetCache(int normalCapacity, int transactionGrowth)
      : FNormalCapacity(normalCapacity), FCapacity(normalCapacity), FTransactionGrowth(transactionGrowth) {}

  // The cached item at that offset (now the most recent), or nullptr.
  TItem* Find(uint32_t offset) {
    TItem* item = Peek(offset);
    if (item != nullptr) Touch(item);
    return item;
  }
  // The cached item at that offset without counting a use, or nullptr.
  TItem* Peek(uint32_t offset) const {
    const int at = LowerBound(offset);
    return at < FItems.Count() && FItems[at]->Offset == offset ? FItems[at] : nullptr;
  }
  // Adds an item at its sorted place, as the most recent.
  void Add(TItem* item) {
    FItems.Insert(LowerBound(item->Offset), item);
    PushNewest(item);
  }
  void Remove(TItem* item) {
    const int at = LowerBound(item->Offset);
    if (at < FItems.Count() && FItems[at] == item) {
      FItems.Delete(at);
      Unlink(item);
    }
  }
  // The least recently used item that is neither modified nor pinned, or nullptr.
  TItem* LeastRecentClean() const {
    for (TItem* item = FOldest; item != nullptr; item = item->Newer)
      if (!item->Modified && item->Pins == 0) return item;
    return nullptr;
  }

  bool Full() const { return FItems.Count() >= FCapacity; }
  int Capacity() const { return FCapacity; }
  void SetNormalCapacity(int capacity) { FNormalCapacity = FCapacity = capacity; }
  // Grows by half at least, so that a long transaction looks for a clean item only a logarithmic
  // number of times.
  void Grow() { FCapacity += std::max(FTransactionGrowth, FCapacity / 2); }
  void ResetCapacity() { FCapacity = FNormalCapacity; }
  const TSystemList<TItem*>& Items() const { return FItems; }

 private:
  int LowerBound(uint32_t offset) const {
    int low = 0, high = FItems.Count();
    while (low < high) {
      const int middle = low + (high - low) / 2;
      if (FItems[middle]->Offset < offset) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    return low;
  }
  void PushNewest(TItem* item) {
    item->Older = FNewest;
    item->Newer = nullptr;
    if (FNewest != nullptr) FNewest->Newer = item;
    FNewest = item;
    if (FOldest == nullptr) FOldest = item;
  }
  void Unlink(TItem* item) {
    (item->Newer != nullptr ? item->Newer->Older : FNewest) = item->Older;
    (item->Older != nullptr ? item->Older->Newer : FOldest) = item->Newer;
    item->Newer = item->Older = nullptr;
  }
  void Touch(TItem* item) {
    if (FNewest == item) return;
    Unlink(item);
    PushNewest(item);
  }

  TSystemList<TItem*> FItems;
  TItem* FNewest = nullptr;
  TItem* FOldest = nullptr;
  int FNormalCapacity;
  int FCapacity;
  int FTransactionGrowth;
};

}  // namespace sklad
