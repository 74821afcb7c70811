#include "IndexKeySort.h"

#include <algorithm>
#include <numeric>

namespace sklad {
namespace {

// The eight bytes of a key from the offset on, as one big-endian number (zeros past the end).
uint64_t Window(const uint8_t* key, size_t from, size_t keyLength) {
  uint64_t window = 0;
  for (size_t i = from; i < from + 8; ++i) window = (window << 8) | (i < keyLength ? key[i] : 0);
  return window;
}

}  // namespace

std::vector<uint32_t> SortedKeyPositions(const std::vector<uint8_t>& keys, const std::vector<uint32_t>& numbers,
                                         const TKeyLayout& layout, const TKeyOrder& order) {
  const size_t keyLength = static_cast<size_t>(layout.KeyLength());
  const size_t count = numbers.size();
  auto keyOf = [&](uint32_t i) { return keys.data() + i * keyLength; };
  auto before = [&](uint32_t a, uint32_t b) {
    const int result = order.Compare(keyOf(a), keyOf(b), static_cast<int>(keyLength));
    return result < 0 || (result == 0 && numbers[a] < numbers[b]);
  };
  std::vector<uint32_t> positions(count);
  std::iota(positions.begin(), positions.end(), 0u);
  const bool bytewise = layout.RecordStates() || !layout.TableHasLanguage();
  if (!bytewise || count < 2) {
    std::sort(positions.begin(), positions.end(), before);
    return positions;
  }

  size_t common = keyLength;
  for (uint32_t i = 1; i < count && common > 0; ++i)
    common = static_cast<size_t>(std::mismatch(keyOf(0), keyOf(0) + common, keyOf(i)).first - keyOf(0));
  struct TEntry {
    uint64_t Window;
    uint32_t Position;
  };
  std::vector<TEntry> entries(count);
  for (uint32_t i = 0; i < count; ++i) entries[i] = {Window(keyOf(i), common, keyLength), i};
  // A descending index orders the bytes the other way round.
  const bool descending = layout.Descending() && !layout.RecordStates();
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    if (a.Window != b.Window) return (a.Window < b.Window) != descending;
    return before(a.Position, b.Position);
  });
  for (size_t i = 0; i < count; ++i) positions[i] = entries[i].Position;
  return positions;
}

}  // namespace sklad
