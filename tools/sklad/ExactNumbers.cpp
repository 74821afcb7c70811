#include "tools/sklad/ExactNumbers.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace sklad::tool {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The number without the blanks around it and without a leading '+' (which from_chars refuses).
std::string_view NumberPart(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  return text;
}

template <typename TReal>
std::string ShortestText(TReal value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

// strtold in the "C" locale. Unlike from_chars it gives the value of a text that names a number
// below the smallest normal extended float.
long double CLocaleStrtold(const std::string& text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return strtold_l(text.c_str(), nullptr, cLocale);
}

}  // namespace

std::string FloatText(double value) { return ShortestText(value); }

std::string ExtendedText(long double value) { return ShortestText(value); }

std::string MoneyText(double value) {
  std::string text = FloatText(value);
  if (!std::isfinite(value) || text.find('e') != std::string::npos) return text;
  size_t point = text.find('.');
  if (point == std::string::npos) {
    point = text.size();
    text += '.';
  }
  const size_t decimals = text.size() - point - 1;
  if (decimals < 2) text.append(2 - decimals, '0');
  return text;
}

std::optional<double> ReadFloat(std::string_view text) {
  text = NumberPart(text);
  double value = 0;
  const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || read.ec != std::errc() || read.ptr != text.data() + text.size()) return {};
  return value;
}

std::optional<long double> ReadExtended(std::string_view text) {
  text = NumberPart(text);
  long double value = 0;
  const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || read.ptr != text.data() + text.size()) return {};
  if (read.ec == std::errc()) return value;
  if (read.ec != std::errc::result_out_of_range) return {};
  // Out of range for from_chars: too large, too small for any value, or a subnormal value,
  // which the extended type holds.
  value = CLocaleStrtold(std::string(text));
  if (!std::isfinite(value) || value == 0) return {};
  return value;
}

TFixedReading ReadFixed(std::string_view text, int scale) {
  scale = std::clamp(scale, 0, kMaxBcdScale);
  text = TrimBlanks(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (whole.size() + fraction.size() == 0 || !std::ranges::all_of(whole, isDigit) ||
      !std::ranges::all_of(fraction, isDigit))
    return {{}, TFixedProblem::NotANumber};
  const size_t kept = std::min(fraction.size(), static_cast<size_t>(scale));
  if (fraction.find_first_not_of('0', kept) != std::string_view::npos) return {{}, TFixedProblem::TooManyDecimals};

  // The value's digits at the scale: the whole part, the kept decimals, zeros up to the scale.
  const std::string scaled = std::string(whole) + std::string(fraction.substr(0, kept)) +
                             std::string(static_cast<size_t>(scale) - kept, '0');
  int64_t digits = 0;
  for (const char c : scaled) {
    if (digits > (INT64_MAX - 9) / 10) return {{}, TFixedProblem::TooLarge};
    digits = digits * 10 + (c - '0');
  }
  const TBcdValue value{negative ? -digits : digits, scale};
  if (!EncodeBcd(value)) return {{}, TFixedProblem::TooLarge};
  return {value, TFixedProblem::None};
}

}  // namespace sklad::tool
