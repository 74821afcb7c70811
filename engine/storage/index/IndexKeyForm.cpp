#include "IndexKeyForm.h"

#include <cstring>

#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

void StoreBigEndian(uint64_t bits, int size, uint8_t* out) {
  for (int i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * (size - 1 - i)));
}

// Signed integers: flipping the sign bit puts negatives below positives.
void StoreSigned(uint64_t bits, int size, uint8_t* out) {
  StoreBigEndian(bits ^ (uint64_t{1} << (8 * size - 1)), size, out);
}

// IEEE floats: positives get the sign bit set, negatives are inverted so that larger magnitudes
// sort lower; both zeros take the positive form.
void StoreDouble(const uint8_t* stored, uint8_t* out) {
  uint64_t bits = LoadLE<uint64_t>(stored);
  constexpr uint64_t kSign = uint64_t{1} << 63;
  if (bits == kSign) bits = 0;
  StoreBigEndian((bits & kSign) ? ~bits : (bits | kSign), 8, out);
}

// 80-bit floats: sign and exponent (stored last) first, then the mantissa, big-endian, with the
// same sign rule as doubles.
void StoreExtendedForm(const uint8_t* stored, uint8_t* out) {
  uint8_t bytes[kExtendedSize];
  for (int i = 0; i < kExtendedSize; ++i) bytes[i] = stored[kExtendedSize - 1 - i];
  const bool negative = (bytes[0] & 0x80) != 0;
  bool zero = true;
  for (int i = 0; i < kExtendedSize; ++i) zero = zero && (bytes[i] & (i == 0 ? 0x7F : 0xFF)) == 0;
  if (zero) {
    std::memset(bytes, 0, sizeof bytes);
  }
  if (negative && !zero) {
    InvertBytes(bytes, kExtendedSize);
  } else {
    bytes[0] |= 0x80;
  }
  std::memcpy(out, bytes, kExtendedSize);
}

}  // namespace

void StoreOrderedValue(TFieldType type, const uint8_t* stored, int storedSize, uint8_t* out) {
  switch (type) {
    case TFieldType::SmallInt: StoreSigned(LoadLE<uint16_t>(stored), 2, out); return;
    case TFieldType::Integer:
    case TFieldType::Date:
    case TFieldType::Time: StoreSigned(LoadLE<uint32_t>(stored), 4, out); return;
    case TFieldType::Boolean:
    case TFieldType::Word: StoreBigEndian(LoadLE<uint16_t>(stored), 2, out); return;
    case TFieldType::Unsigned: StoreBigEndian(LoadLE<uint32_t>(stored), 4, out); return;
    case TFieldType::Float:
    case TFieldType::TimeStamp: StoreDouble(stored, out); return;
    case TFieldType::BCD: StoreSigned(LoadLE<uint64_t>(stored), 8, out); return;
    case TFieldType::Extended: StoreExtendedForm(stored, out); return;
    default: std::memcpy(out, stored, static_cast<size_t>(storedSize)); return;
  }
}

void StoreOrderedInt32(int32_t value, uint8_t* out) { StoreSigned(static_cast<uint32_t>(value), 4, out); }

int InvertedSpan(TFieldType type, int storedSize) {
  return 1 + (type == TFieldType::String ? storedSize - 1 : storedSize);
}

void InvertBytes(uint8_t* bytes, int count) {
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(~bytes[i]);
}

}  // namespace sklad
