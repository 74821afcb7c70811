// The stored form of BCD values: a 64-bit integer whose decimal digits are the value written with
// exactly `scale` decimal places (0..4), followed by one digit holding the scale
// (12.34 at scale 2 is 12342, -0.5 at scale 1 is -51), and its four-decimal fixed-point form.
#pragma once

#include <cstdint>
#include <optional>

namespace sklad {

constexpr int kMaxBcdScale = 4;
constexpr int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};

struct TBcdValue {
  int64_t Digits = 0;  // the value times 10^Scale
  int Scale = 0;
};

constexpr TBcdValue DecodeBcd(int64_t stored) {
  const int scale = static_cast<int>(stored < 0 ? -(stored % 10) : stored % 10);
  return {stored / 10, scale > kMaxBcdScale ? kMaxBcdScale : scale};
}

// None when the digits do not fit beside the scale digit.
constexpr std::optional<int64_t> EncodeBcd(TBcdValue value) {
  constexpr int64_t limit = (INT64_MAX - 9) / 10;
  if (value.Digits > limit || value.Digits < -limit) return {};
  return value.Digits * 10 + (value.Digits < 0 ? -value.Scale : value.Scale);
}

// The value at another scale, rounded half away from zero; none on overflow.
constexpr std::optional<TBcdValue> Rescale(TBcdValue value, int scale) {
  if (scale >= value.Scale) {
    const int64_t factor = kPowersOfTen[scale - value.Scale];
    if (value.Digits > INT64_MAX / factor || value.Digits < -(INT64_MAX / factor)) return {};
    return TBcdValue{value.Digits * factor, scale};
  }
  const int64_t factor = kPowersOfTen[value.Scale - scale];
  const int64_t half = factor / 2;
  const int64_t rounded = value.Digits < 0 ? -((-value.Digits + half) / factor)
                                           : (value.Digits + half) / factor;
  return TBcdValue{rounded, scale};
}

}  // namespace sklad
