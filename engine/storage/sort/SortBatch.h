// TSortBatch: records held in memory with their sort keys, ordered by full key comparison with
// the engine list's quicksort. The identity that ends every key makes all keys different, so the
// order is fully determined.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/index/IndexKey.h"
#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/data/Record.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TSortBatch {
 public:
  // The layout and order must outlive the batch.
  TSortBatch(const TKeyLayout& layout, const TKeyOrder& order) : FLayout(layout), FOrder(order) {}

  // Makes room for that many records without reallocating keys later.
  void Reserve(int count);
  // Takes the record (not its ownership) and builds its key.
  void Add(TRecord* record);
  void Sort();
  void Clear();

  int Count() const { return FEntries.Count(); }
  TRecord& Record(int i) const { return *FEntries[i].Record; }
  const uint8_t* Key(int i) const { return FKeys.data() + FEntries[i].KeyAt; }

 private:
  struct TEntry {
    TRecord* Record = nullptr;
    size_t KeyAt = 0;
  };

  const TKeyLayout& FLayout;
  const TKeyOrder& FOrder;
  TSystemList<TEntry> FEntries;
  std::vector<uint8_t> FKeys;
};

}  // namespace sklad
