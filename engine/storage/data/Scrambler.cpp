#include "Scrambler.h"

namespace sklad {

void Scramble(uint8_t* bytes, size_t count, uint16_t seed) {
  uint8_t low = static_cast<uint8_t>(seed);
  uint8_t high = static_cast<uint8_t>(seed >> 8);
  for (size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<uint8_t>(bytes[i] ^ low ^ high);
    ++low;
    --high;
  }
}

}  // namespace sklad
