#include "tools/sklad/HexText.h"

#include <fmt/format.h>

#include <iterator>

namespace sklad::tool {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string HexText(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) fmt::format_to(std::back_inserter(text), "{:02X}", byte);
  return text;
}

std::optional<std::string> BytesFromHex(std::string_view digits) {
  if (digits.size() % 2 != 0) return {};
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int high = DigitValue(digits[i]);
    const int low = DigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return {};
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

}  // namespace sklad::tool
