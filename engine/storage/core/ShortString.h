// Length-prefixed strings in the fixed slots of table headers and definitions: a length byte
// followed by up to (slot size - 1) characters. A length byte that claims more than the slot
// holds is never followed past the slot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sklad {

// Whether the slot's length byte fits the slot.
bool ShortStringFits(const uint8_t* slot, int slotSize);

// The slot's characters, cut at the end of the slot when the length byte claims more.
std::string ReadShortString(const uint8_t* slot, int slotSize);

// Stores the text, cut to the slot; the rest of the slot is zeroed.
void WriteShortString(uint8_t* slot, int slotSize, std::string_view text);

}  // namespace sklad
