// The order-preserving forms of field values in index keys: each stored value is rewritten so
// that comparing the forms as unsigned bytes orders them as the values are ordered.
#pragma once

#include <cstdint>

#include "engine/storage/core/FieldTypes.h"

namespace sklad {

// Writes the ordered form of a stored field value (storedSize bytes, as in a record) to out.
// Strings and raw bytes stay as they are; numbers, dates and times become big-endian with their
// order fixed up; -0.0 takes the form of 0.0.
void StoreOrderedValue(TFieldType type, const uint8_t* stored, int storedSize, uint8_t* out);

// The ordered form of a record's 32-bit auto-increment value (the identity part of keys).
void StoreOrderedInt32(int32_t value, uint8_t* out);

// The bytes a descending key field inverts when the table has no language: its presence byte and
// its value, except the terminating zero of a string, which stays zero so that trailing zero
// cutting keeps working on inverted strings.
int InvertedSpan(TFieldType type, int storedSize);

void InvertBytes(uint8_t* bytes, int count);

}  // namespace sklad
