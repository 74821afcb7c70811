// The record layout of a table: where each field's null-flag byte and value lie in a record and
// how long a record is. Records start with the state byte, the record number or free link and
// the auto-increment value; the fields that take room follow in field order.
#pragma once

#include <cstdint>

#include "FieldDefinition.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

constexpr int kRecordStateAt = 0;
constexpr int kRecordNumberAt = 1;
constexpr int kAutoIncrementAt = 5;
constexpr int kFieldAreaAt = 9;
constexpr int64_t kMaxRecordSize = 65535;

constexpr uint8_t kRecordActive = 0;
constexpr uint8_t kRecordDeleted = 1;

// Numbers the definitions by position, derives their stored sizes and places them; answers the
// record size, computed in 64 bits so that an oversized layout is seen rather than wrapped.
int64_t LayOutRecord(TSystemList<TFieldDefinition>& fields);

}  // namespace sklad
