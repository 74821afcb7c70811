#include "FieldDefs.h"

#include <algorithm>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {
namespace {

// Engine type codes beyond the stored types, known to the dataset's field kinds.
constexpr uint8_t kLargeIntTypes[] = {18, 19};
constexpr uint8_t kADTType = 20, kArrayType = 21, kReferenceType = 22, kDataSetType = 23;

TFieldKind BlobKindOf(uint8_t subtypeCode) {
  switch (subtypeCode) {
    case subtype::Memo: return TFieldKind::Memo;
    case subtype::FormattedMemo: return TFieldKind::FormattedMemo;
    case subtype::Graphic: return TFieldKind::Graphic;
    case subtype::TypedBinary: return TFieldKind::TypedBinary;
    default: return TFieldKind::Blob;
  }
}

bool NameTaken(const std::vector<TFieldDef>& defs, const std::string& name) {
  return std::ranges::any_of(defs, [&](const TFieldDef& def) { return SameName(def.Name, name); });
}

}  // namespace

std::optional<TFieldKind> FieldKindOf(const TFieldDefinition& definition) {
  const uint8_t code = definition.TypeCode();
  if (std::ranges::find(kLargeIntTypes, code) != std::end(kLargeIntTypes)) return TFieldKind::LargeInt;
  switch (code) {
    case kADTType: return TFieldKind::ADT;
    case kArrayType: return TFieldKind::Array;
    case kReferenceType: return TFieldKind::Reference;
    case kDataSetType: return TFieldKind::DataSet;
    default: break;
  }
  switch (definition.Type()) {
    case TFieldType::String: return TFieldKind::String;
    case TFieldType::Date: return TFieldKind::Date;
    case TFieldType::Blob: return BlobKindOf(definition.Subtype());
    case TFieldType::Boolean: return TFieldKind::Boolean;
    case TFieldType::SmallInt: return TFieldKind::SmallInt;
    case TFieldType::Integer:
      return definition.Subtype() == subtype::AutoIncrement ? TFieldKind::AutoInc : TFieldKind::Integer;
    case TFieldType::Float: return definition.Subtype() == subtype::Money ? TFieldKind::Currency : TFieldKind::Float;
    case TFieldType::BCD: return TFieldKind::BCD;
    case TFieldType::Bytes: return TFieldKind::Bytes;
    case TFieldType::Time: return TFieldKind::Time;
    case TFieldType::TimeStamp: return TFieldKind::DateTime;
    case TFieldType::Word: return TFieldKind::Word;
    case TFieldType::Unsigned: return TFieldKind::Integer;
    case TFieldType::VarBytes: return TFieldKind::VarBytes;
    default: return std::nullopt;
  }
}

std::vector<TFieldDef> BuildFieldDefs(const TDataCursor& cursor) {
  std::vector<TFieldDef> defs;
  for (int fieldNo = 1; fieldNo <= cursor.FieldCount(); ++fieldNo) {
    const TFieldDefinition& definition = cursor.GetFieldDefinition(fieldNo);
    const std::optional<TFieldKind> kind = FieldKindOf(definition);
    if (definition.HiddenFromDataSet() || !kind) continue;
    TFieldDef def;
    def.Name = definition.Name();
    for (int suffix = 1; NameTaken(defs, def.Name); ++suffix) def.Name = definition.Name() + "_" + std::to_string(suffix);
    def.FieldNo = fieldNo;
    def.Kind = *kind;
    if (definition.Type() == TFieldType::BCD)
      def.Size = definition.Scale();
    else if (HasDeclaredSize(definition.Type()))
      def.Size = definition.DeclaredSize();
    def.Required = definition.Required();
    defs.push_back(std::move(def));
  }
  return defs;
}

}  // namespace sklad
