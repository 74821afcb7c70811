#include "RangeLockList.h"

namespace sklad {

bool TRangeLockList::Overlaps(int64_t offset, int64_t length) const {
  const int64_t last = offset + length - 1;
  for (const TLockEntry& entry : FEntries)
    if ((offset >= entry.First && offset <= entry.Last) || (entry.First >= offset && entry.First <= last))
      return true;
  return false;
}

bool TRangeLockList::Lock(int64_t offset, int64_t length) {
  if (length < 1 || offset < 0 || Overlaps(offset, length)) return false;
  FEntries.Add({offset, offset + length - 1, length});
  return true;
}

int TRangeLockList::Find(int64_t offset, int64_t length) const {
  for (int i = 0; i < FEntries.Count(); ++i)
    if (FEntries[i].First == offset && FEntries[i].Length == length) return i;
  return -1;
}

bool TRangeLockList::Unlock(int64_t offset, int64_t length) {
  const int index = Find(offset, length);
  if (index < 0) return false;
  FEntries.Delete(index);
  return true;
}

}  // namespace sklad
