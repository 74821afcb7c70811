// The engine's field types: the type codes stored in field definitions (also the value types of
// the expression language), their subtypes and their stored sizes in a record.
#pragma once

#include <cstdint>

namespace sklad {

enum class TFieldType : uint8_t {
  String = 1,      // zero-terminated characters, declared size + 1 bytes
  Date = 2,        // 32-bit day number, 0001-01-01 = 1
  Blob = 3,        // 32-bit offset of the first block, then the 32-bit BLOB identifier
  Boolean = 4,     // 16-bit 0 or 1
  SmallInt = 5,    // 16-bit signed
  Integer = 6,     // 32-bit signed (subtype AutoIncrement: the record's own auto-increment value)
  Float = 7,       // 64-bit float
  BCD = 8,         // 64-bit integer: the digits at the scale, then one digit holding the scale
  Bytes = 9,       // raw bytes, declared size
  Time = 10,       // 32-bit milliseconds since midnight
  TimeStamp = 11,  // 64-bit float: day number × 86,400,000 + milliseconds since midnight
  Word = 12,       // 16-bit unsigned
  Unsigned = 13,   // 32-bit unsigned
  Extended = 14,   // 80-bit float
  VarBytes = 15,   // raw bytes, declared size
};

// Subtypes refine the dataset field kind; they never change storage.
namespace subtype {
constexpr uint8_t None = 0;
constexpr uint8_t Money = 21;          // float
constexpr uint8_t Memo = 22;           // BLOB
constexpr uint8_t FormattedMemo = 24;  // BLOB
constexpr uint8_t Graphic = 26;        // BLOB
constexpr uint8_t TypedBinary = 28;    // BLOB
constexpr uint8_t AutoIncrement = 29;  // integer
constexpr uint8_t FixedChar = 31;      // string
constexpr uint8_t WideString = 32;     // string
}  // namespace subtype

// Character casing of string values, as stored in field definitions and named by CREATE TABLE.
namespace casing {
constexpr uint8_t Unchanged = 0;
constexpr uint8_t Lower = 1;
constexpr uint8_t Upper = 2;
}  // namespace casing

// The largest declared size of string, bytes and varbytes fields.
constexpr int kMaxDeclaredSize = 250;
// The most fields a table can have, and the most of them that are BLOB fields.
constexpr int kMaxFieldCount = 1024;
constexpr int kMaxBlobFieldCount = 64;

// Day number of 1899-12-30, the origin of date-time values.
constexpr int32_t kDayNumberOf18991230 = 693594;
constexpr int64_t kMillisecondsPerDay = 86400000;

// Bytes the value of a field takes in a record (without its null-flag byte).
constexpr int StoredSize(TFieldType type, int declaredSize) {
  switch (type) {
    case TFieldType::String: return declaredSize + 1;
    case TFieldType::Blob:
    case TFieldType::Float:
    case TFieldType::BCD:
    case TFieldType::TimeStamp: return 8;
    case TFieldType::Boolean:
    case TFieldType::SmallInt:
    case TFieldType::Word: return 2;
    case TFieldType::Extended: return 10;
    case TFieldType::Date:
    case TFieldType::Integer:
    case TFieldType::Time:
    case TFieldType::Unsigned: return 4;
    default: return declaredSize;
  }
}

// Whether a field of this type has a declared size (others declare 0).
constexpr bool HasDeclaredSize(TFieldType type) {
  return type == TFieldType::String || type == TFieldType::Bytes || type == TFieldType::VarBytes;
}

}  // namespace sklad
