// Bytes as text: binary values (bytes fields, binary BLOBs) are written as hexadecimal digits,
// two per byte, and read back from the same form.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sklad::tool {

// Uppercase digits: "00FF10".
std::string HexText(std::span<const uint8_t> bytes);

// The bytes the digits name, upper or lower case; none for an odd count or another character.
std::optional<std::string> BytesFromHex(std::string_view digits);

}  // namespace sklad::tool
