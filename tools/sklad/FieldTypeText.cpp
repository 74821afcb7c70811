#include "tools/sklad/FieldTypeText.h"

#include <fmt/format.h>

namespace sklad::tool {
namespace {

// BLOB(0, n) declares subtype 21 + n; a plain binary value is the dialect's kind 2.
int BlobKind(uint8_t subtypeCode) {
  return subtypeCode > 21 && subtypeCode <= 28 ? subtypeCode - 21 : 2;
}

}  // namespace

std::string FieldTypeText(const TFieldDefinition& field) {
  switch (field.Type()) {
    case TFieldType::String:
      return fmt::format("{}({})", field.Subtype() == subtype::FixedChar ? "CHAR" : "VARCHAR", field.DeclaredSize());
    case TFieldType::Date: return "DATE";
    case TFieldType::Blob: return fmt::format("BLOB(0, {})", BlobKind(field.Subtype()));
    case TFieldType::Boolean: return "BOOLEAN";
    case TFieldType::SmallInt: return "SMALLINT";
    case TFieldType::Integer: return field.IsAutoIncrement() ? "AUTOINC" : "INTEGER";
    case TFieldType::Float: return field.Subtype() == subtype::Money ? "MONEY" : "FLOAT";
    case TFieldType::BCD: return fmt::format("DECIMAL(20, {})", field.Scale());
    case TFieldType::Bytes: return fmt::format("BYTES({})", field.DeclaredSize());
    case TFieldType::Time: return "TIME";
    case TFieldType::TimeStamp: return "TIMESTAMP";
    case TFieldType::Word: return "WORD";
    case TFieldType::Unsigned: return "UNSIGNED";
    case TFieldType::Extended: return "EXTENDED";
    case TFieldType::VarBytes: return fmt::format("VARBYTES({})", field.DeclaredSize());
  }
  return fmt::format("TYPE {}", field.TypeCode());
}

}  // namespace sklad::tool
