// The order in which a batch of keys of one index goes into the index at once: by key, equal
// keys by record number. Keys that compare as bytes are sorted by the eight bytes after the
// prefix all of them share, held beside each entry, so that most comparisons touch no key.
#pragma once

#include <cstdint>
#include <vector>

#include "IndexKey.h"
#include "IndexKeyOrder.h"

namespace sklad {

// keys holds numbers.size() keys of the layout's length, back to back; the answer lists their
// positions in index order.
std::vector<uint32_t> SortedKeyPositions(const std::vector<uint8_t>& keys, const std::vector<uint32_t>& numbers,
                                         const TKeyLayout& layout, const TKeyOrder& order);

}  // namespace sklad
