// The engine's value conversion: one value in the encoding of a field type turned, in place, into
// the encoding of another, through text where one side is a string (CAST, INSERT and UPDATE
// values, result tables, restructuring), and the conversion of the minimum, maximum and default
// texts of a field definition. Text conversions use the TLanguageSettings in force.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "DateTimeValues.h"
#include "engine/storage/core/FieldTypes.h"

namespace sklad {

// Reads the source value from the buffer and writes the target value back. Sizes are those of
// the value encodings (a string's is its maximum length + 1; the target size bounds the copy);
// the buffer holds at least the larger of the two. Answers false for a pair it does not handle
// (a BLOB with anything but a BLOB, a date with a number, ...). A text that does not parse, or a
// value that does not fit the target type, raises err::InvalidConversion with the reason
// ("'abc' is not a valid boolean value").
bool Convert(TFieldType sourceType, int sourceSize, int sourceScale, std::span<uint8_t> value,
             int targetSize, int targetScale, TFieldType targetType);

// A field's default (or limit) text as the field's value. `size` is the field's stored size (a
// string field's declared size + 1); the value buffer holds at least that many bytes. "DATE" (any
// letter case) for a date field is `now`'s day, "TIME" for a time field its time of day; for a
// timestamp field "NOW" is `now`, "DATE" its day at midnight and "TIME" its time of day on
// 1899-12-30. Other texts go through Convert. Bytes and BLOB fields get no value from a text.
void ConvertFieldText(TFieldType type, int size, int scale, std::string_view text,
                      std::span<uint8_t> value, TLocalMoment now);

// Whether a field's minimum, maximum or default text is a valid constant of its type: empty, a
// keyword above, or a text that converts.
bool IsValidFieldText(TFieldType type, int size, int scale, std::string_view text);

}  // namespace sklad
