#include "FieldDefinition.h"

#include <algorithm>

#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/core/ShortString.h"

namespace sklad {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

TFieldDefinition TFieldDefinition::Make(std::string_view name, TFieldType type, int declaredSize,
                                        uint8_t subtype, int scale) {
  TFieldDefinition definition;
  definition.SetName(name);
  definition.SetType(type);
  definition.SetSubtype(subtype);
  definition.SetDeclaredSize(static_cast<uint8_t>(declaredSize));
  definition.SetScale(static_cast<uint8_t>(scale));
  definition.DeriveStoredSize();
  return definition;
}

uint16_t TFieldDefinition::Number() const { return LoadLE<uint16_t>(&FBytes[kNumberAt]); }
void TFieldDefinition::SetNumber(uint16_t number) { StoreLE(&FBytes[kNumberAt], number); }

std::string TFieldDefinition::Name() const { return ReadShortString(&FBytes[kNameAt], kNameSlot); }
void TFieldDefinition::SetName(std::string_view name) {
  if (name.size() >= kNameSlot) name = Trimmed(name);
  FBytes[kNameCutAt] = name.size() >= kNameSlot ? 1 : 0;
  WriteShortString(&FBytes[kNameAt], kNameSlot, name);
}

std::string TFieldDefinition::Description() const { return ReadShortString(&FBytes[kDescriptionAt], kTextSlot); }
void TFieldDefinition::SetDescription(std::string_view text) {
  WriteShortString(&FBytes[kDescriptionAt], kTextSlot, text);
}

std::string TFieldDefinition::Minimum() const { return ReadShortString(&FBytes[kMinimumAt], kTextSlot); }
void TFieldDefinition::SetMinimum(std::string_view text) { WriteShortString(&FBytes[kMinimumAt], kTextSlot, text); }
std::string TFieldDefinition::Maximum() const { return ReadShortString(&FBytes[kMaximumAt], kTextSlot); }
void TFieldDefinition::SetMaximum(std::string_view text) { WriteShortString(&FBytes[kMaximumAt], kTextSlot, text); }
std::string TFieldDefinition::Default() const { return ReadShortString(&FBytes[kDefaultAt], kTextSlot); }
void TFieldDefinition::SetDefault(std::string_view text) { WriteShortString(&FBytes[kDefaultAt], kTextSlot, text); }

void TFieldDefinition::DeriveStoredSize() {
  FBytes[kStoredSizeAt] = static_cast<uint8_t>(sklad::StoredSize(Type(), DeclaredSize()));
  FBytes[kScaleCopyAt] = Scale();
}

uint16_t TFieldDefinition::Offset() const { return LoadLE<uint16_t>(&FBytes[kOffsetAt]); }
void TFieldDefinition::SetOffset(uint16_t offset) { StoreLE(&FBytes[kOffsetAt], offset); }

bool TFieldDefinition::ShortStringsFit() const {
  return ShortStringFits(&FBytes[kNameAt], kNameSlot) && ShortStringFits(&FBytes[kDescriptionAt], kTextSlot) &&
         ShortStringFits(&FBytes[kMinimumAt], kTextSlot) && ShortStringFits(&FBytes[kMaximumAt], kTextSlot) &&
         ShortStringFits(&FBytes[kDefaultAt], kTextSlot);
}

void TFieldDefinition::UpdateAlterable(const TFieldDefinition& from) {
  SetName(from.Name());
  SetSubtype(from.Subtype());
  SetDescription(from.Description());
  SetRequired(from.Required());
  SetMinimum(from.Minimum());
  SetMaximum(from.Maximum());
  SetDefault(from.Default());
}

namespace {

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool ValidFirstNameCharacter(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 129 && c <= 254);
}

bool SameFieldName(std::string_view a, std::string_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace sklad
