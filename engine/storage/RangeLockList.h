// The byte ranges locked inside this process on one file. A range may be locked once: a second
// lock of an overlapping range fails, and an unlock must name a locked range exactly.
#pragma once

#include <cstdint>

#include "SystemList.h"

namespace sklad {

struct TLockEntry {
  int64_t First;
  int64_t Last;
  int64_t Length;
};

class TRangeLockList {
 public:
  bool Overlaps(int64_t offset, int64_t length) const;
  // Fails for an overlapping range or a length below 1.
  bool Lock(int64_t offset, int64_t length);
  bool IsLocked(int64_t offset, int64_t length) const { return Find(offset, length) >= 0; }
  // Removes the first entry with that start and length; fails when there is none.
  bool Unlock(int64_t offset, int64_t length);
  int Count() const { return FEntries.Count(); }
  void Clear() { FEntries.Clear(); }

 private:
  int Find(int64_t offset, int64_t length) const;
  TSystemList<TLockEntry> FEntries;
};

}  // namespace sklad
