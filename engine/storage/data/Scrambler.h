// The scrambling of encrypted tables: each byte is combined by exclusive-or with the low and the
// high byte of a 16-bit state, after which the low byte counts up and the high byte counts down
// (both wrapping within 8 bits). Scrambling and unscrambling are the same operation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sklad {

// Starting state for records, field definitions and the headers and blocks of the other files.
constexpr uint16_t kRecordScrambleSeed = 0xA53C;
// Starting state for the table description and password in the data file header.
constexpr uint16_t kTextScrambleSeed = 0x6B19;

void Scramble(uint8_t* bytes, size_t count, uint16_t seed);

}  // namespace sklad
