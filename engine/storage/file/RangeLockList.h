// The byte ranges locked inside this process on one file. A range may be locked once: a second
// lock of an overlapping range fails, and an unlock must name a locked range exactly. The ranges
// are kept ordered by their first byte, so that a transaction holding a lock on every record it
// wrote still locks and checks each further record in logarithmic time.
#pragma once

#include <cstdint>
#include <map>

namespace sklad {

class TRangeLockList {
 public:
  bool Overlaps(int64_t offset, int64_t length) const;
  // Fails for an overlapping range or a length below 1.
  bool Lock(int64_t offset, int64_t length);
  bool IsLocked(int64_t offset, int64_t length) const;
  // Removes the range with that start and length; fails when there is none.
  bool Unlock(int64_t offset, int64_t length);
  int Count() const { return static_cast<int>(FLastByFirst.size()); }
  void Clear() { FLastByFirst.clear(); }

 private:
  // Locked ranges as first byte -> last byte; they never overlap.
  std::map<int64_t, int64_t> FLastByFirst;
};

}  // namespace sklad
