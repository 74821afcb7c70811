#include "IndexPageCache.h"

namespace sklad {

int TIndexPageCache::LowerBound(uint32_t offset) const {
  int low = 0, high = FPages.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FPages[middle]->Offset < offset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

TPage* TIndexPageCache::Find(uint32_t offset) {
  const int at = LowerBound(offset);
  if (at == FPages.Count() || FPages[at]->Offset != offset) return nullptr;
  Touch(FPages[at]);
  return FPages[at];
}

void TIndexPageCache::Add(TPage* page) {
  FPages.Insert(LowerBound(page->Offset), page);
  Touch(page);
}

void TIndexPageCache::Remove(TPage* page) {
  const int at = LowerBound(page->Offset);
  if (at < FPages.Count() && FPages[at] == page) FPages.Delete(at);
}

TPage* TIndexPageCache::LeastRecentClean() const {
  TPage* oldest = nullptr;
  for (TPage* page : FPages)
    if (!page->Modified && page->Pins == 0 && (oldest == nullptr || page->LastUse < oldest->LastUse)) oldest = page;
  return oldest;
}

}  // namespace sklad
