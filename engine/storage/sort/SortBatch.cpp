#include "SortBatch.h"

namespace sklad {

void TSortBatch::Reserve(int count) {
  FEntries.SetCapacity(count);
  FKeys.reserve(static_cast<size_t>(count) * static_cast<size_t>(FLayout.KeyLength()));
}

void TSortBatch::Add(TRecord* record) {
  const size_t at = FKeys.size();
  FKeys.resize(at + static_cast<size_t>(FLayout.KeyLength()));
  FLayout.BuildKey(record->Bytes(), FKeys.data() + at);
  FEntries.Add({record, at});
}

void TSortBatch::Sort() {
  const int length = FLayout.KeyLength();
  FEntries.Sort([&](const TEntry& a, const TEntry& b) {
    return FOrder.Compare(FKeys.data() + a.KeyAt, FKeys.data() + b.KeyAt, length);
  });
}

void TSortBatch::Clear() {
  FEntries.SetCount(0);
  FKeys.clear();
}

}  // namespace sklad
