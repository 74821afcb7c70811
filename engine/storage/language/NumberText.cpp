#include "NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace sklad {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The text with the settings' decimal separator replaced by '.', when it is a plain decimal
// number: sign, digits, separator, digits, exponent. None otherwise (thousand separators too).
std::optional<std::string> CanonicalNumber(std::string_view text, char decimalSeparator,
                                           bool allowExponent) {
  text = TrimBlanks(text);
  std::string out;
  size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) out += text[at++];
  size_t digits = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) out += text[at];
  if (at < text.size() && text[at] == decimalSeparator) {
    out += '.';
    for (++at; at < text.size() && IsDigit(text[at]); ++at, ++digits) out += text[at];
  }
  if (digits == 0) return {};
  if (allowExponent && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    out += 'e';
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) out += text[at++];
    size_t exponentDigits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++exponentDigits) out += text[at];
    if (exponentDigits == 0) return {};
  }
  if (at != text.size()) return {};
  return out;
}

}  // namespace

std::optional<int64_t> TextToInteger(std::string_view text, int64_t minimum, int64_t maximum) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (value < minimum || value > maximum) return {};
  return value;
}

std::optional<long double> TextToFloat(std::string_view text, const TLanguageSettings& settings) {
  const std::optional<std::string> number = CanonicalNumber(text, settings.DecimalSeparator, true);
  if (!number) return {};
  const char* first = number->data() + (number->front() == '+');
  long double value = 0;
  const auto [end, error] = std::from_chars(first, number->data() + number->size(), value);
  if (error != std::errc() || end != number->data() + number->size() || !std::isfinite(value)) return {};
  return value;
}

std::string FloatToText(long double value, const TLanguageSettings& settings) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // "1e+20" becomes "1E20", "1e-05" becomes "1E-5".
  if (const size_t e = text.find('e'); e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    const bool negative = exponent.front() == '-';
    exponent.erase(0, exponent.find_first_not_of("+-0"));
    text = text.substr(0, e) + "E" + (negative ? "-" : "") + (exponent.empty() ? "0" : exponent);
  }
  if (const size_t point = text.find('.'); point != std::string::npos) text[point] = settings.DecimalSeparator;
  return text;
}

std::optional<TBcdValue> TextToFixed(std::string_view text, const TLanguageSettings& settings) {
  const std::optional<std::string> number = CanonicalNumber(text, settings.DecimalSeparator, false);
  if (!number) return {};
  const bool negative = number->front() == '-';
  const std::string_view digits = std::string_view(*number).substr(number->front() == '-' || number->front() == '+');
  const size_t point = digits.find('.');
  const std::string_view whole = digits.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "" : digits.substr(point + 1);
  // Digits up to the fifth decimal, which decides the rounding at four.
  int64_t value = 0;
  constexpr int64_t limit = INT64_MAX / 10 - 10;
  for (char c : whole) {
    if (value > limit) return {};
    value = value * 10 + (c - '0');
  }
  for (size_t i = 0; i <= static_cast<size_t>(kMaxBcdScale); ++i) {
    if (value > limit) return {};
    value = value * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  }
  value = (value + 5) / 10;
  return TBcdValue{negative ? -value : value, kMaxBcdScale};
}

std::string FixedToText(TBcdValue value, const TLanguageSettings& settings) {
  const uint64_t magnitude = value.Digits < 0 ? 0 - static_cast<uint64_t>(value.Digits)
                                              : static_cast<uint64_t>(value.Digits);
  std::string digits = std::to_string(magnitude);
  if (value.Scale > 0) {
    if (digits.size() <= static_cast<size_t>(value.Scale))
      digits.insert(0, static_cast<size_t>(value.Scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<size_t>(value.Scale), 1, settings.DecimalSeparator);
  }
  return value.Digits < 0 ? "-" + digits : digits;
}

}  // namespace sklad
