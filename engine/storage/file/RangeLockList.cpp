#include "RangeLockList.h"

#include <limits>

namespace sklad {

bool TRangeLockList::Overlaps(int64_t offset, int64_t length) const {
  const int64_t last = offset + length - 1;
  // The range starting last at or before the new range's last byte is the only one that can
  // reach into it, since the ranges are disjoint and ordered.
  auto after = FLastByFirst.upper_bound(last);
  if (after == FLastByFirst.begin()) return false;
  --after;
  return after->second >= offset;
}

bool TRangeLockList::Lock(int64_t offset, int64_t length) {
  if (length < 1 || offset < 0 || length - 1 > std::numeric_limits<int64_t>::max() - offset) return false;
  if (Overlaps(offset, length)) return false;
  FLastByFirst.emplace(offset, offset + length - 1);
  return true;
}

bool TRangeLockList::IsLocked(int64_t offset, int64_t length) const {
  const auto found = FLastByFirst.find(offset);
  return found != FLastByFirst.end() && found->second == offset + length - 1;
}

bool TRangeLockList::Unlock(int64_t offset, int64_t length) {
  if (!IsLocked(offset, length)) return false;
  FLastByFirst.erase(offset);
  return true;
}

}  // namespace sklad
