#include "KeyCollation.h"

#include <cstring>

namespace sklad {

int CompareBytes(const uint8_t* a, const uint8_t* b, int count) {
  if (count <= 0) return 0;
  const int result = std::memcmp(a, b, static_cast<size_t>(count));
  return (result > 0) - (result < 0);
}

int TBytewiseKeyCollation::CompareCharacters(const uint8_t* a, const uint8_t* b, int count) const {
  return CompareBytes(a, b, count);
}

}  // namespace sklad
