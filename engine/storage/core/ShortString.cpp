#include "ShortString.h"

#include <algorithm>
#include <cstring>

namespace sklad {

bool ShortStringFits(const uint8_t* slot, int slotSize) { return slot[0] <= slotSize - 1; }

std::string ReadShortString(const uint8_t* slot, int slotSize) {
  const int length = std::min<int>(slot[0], slotSize - 1);
  return std::string(reinterpret_cast<const char*>(slot + 1), static_cast<size_t>(length));
}

void WriteShortString(uint8_t* slot, int slotSize, std::string_view text) {
  const size_t length = std::min<size_t>(text.size(), static_cast<size_t>(slotSize - 1));
  std::memset(slot, 0, static_cast<size_t>(slotSize));
  slot[0] = static_cast<uint8_t>(length);
  if (length > 0) std::memcpy(slot + 1, text.data(), length);
}

}  // namespace sklad
