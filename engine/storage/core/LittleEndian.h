// Reading and writing little-endian integers and IEEE floats at byte positions of the table
// files' headers, definitions and records, independent of the host's byte order and alignment.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace sklad {
namespace detail {

template <size_t Size>
struct UnsignedOfSize;
template <> struct UnsignedOfSize<1> { using Type = uint8_t; };
template <> struct UnsignedOfSize<2> { using Type = uint16_t; };
template <> struct UnsignedOfSize<4> { using Type = uint32_t; };
template <> struct UnsignedOfSize<8> { using Type = uint64_t; };

}  // namespace detail

template <typename T>
T LoadLE(const uint8_t* at) {
  static_assert(std::is_trivially_copyable_v<T>);
  using U = typename detail::UnsignedOfSize<sizeof(T)>::Type;
  U bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) bits = static_cast<U>(bits | static_cast<U>(U{at[i]} << (8 * i)));
  T value;
  std::memcpy(&value, &bits, sizeof(T));
  return value;
}

template <typename T>
void StoreLE(uint8_t* at, T value) {
  static_assert(std::is_trivially_copyable_v<T>);
  using U = typename detail::UnsignedOfSize<sizeof(T)>::Type;
  U bits;
  std::memcpy(&bits, &value, sizeof(T));
  for (size_t i = 0; i < sizeof(T); ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace sklad
