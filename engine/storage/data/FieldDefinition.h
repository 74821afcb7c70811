// TFieldDefinition: one 768-byte field definition of a data file, kept as its stored bytes with
// typed accessors. Short strings read from a damaged definition never run past their slots.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/storage/core/FieldTypes.h"

namespace sklad {

class TFieldDefinition {
 public:
  static constexpr int kSize = 768;

  TFieldDefinition() { FBytes.fill(0); }
  // A definition for a new table; its number, stored size and offset are set by the layout.
  static TFieldDefinition Make(std::string_view name, TFieldType type, int declaredSize = 0,
                               uint8_t subtype = subtype::None, int scale = 0);

  uint16_t Number() const;
  void SetNumber(uint16_t number);
  std::string Name() const;
  // A name longer than the slot is trimmed first and then cut to 30 characters; when even the
  // trimmed name was longer, NameCut says so, and the table definition check refuses the field.
  void SetName(std::string_view name);
  bool NameCut() const { return FBytes[kNameCutAt] != 0; }
  std::string Description() const;
  void SetDescription(std::string_view text);
  TFieldType Type() const { return static_cast<TFieldType>(FBytes[kTypeAt]); }
  uint8_t TypeCode() const { return FBytes[kTypeAt]; }
  void SetType(TFieldType type) { FBytes[kTypeAt] = static_cast<uint8_t>(type); }
  uint8_t Subtype() const { return FBytes[kSubtypeAt]; }
  void SetSubtype(uint8_t value) { FBytes[kSubtypeAt] = value; }
  uint8_t DeclaredSize() const { return FBytes[kDeclaredSizeAt]; }
  void SetDeclaredSize(uint8_t size) { FBytes[kDeclaredSizeAt] = size; }
  uint8_t Scale() const { return FBytes[kScaleAt]; }
  void SetScale(uint8_t scale) { FBytes[kScaleAt] = scale; }
  // The stored size and the scale copy, as last derived.
  uint8_t StoredSize() const { return FBytes[kStoredSizeAt]; }
  uint8_t ScaleCopy() const { return FBytes[kScaleCopyAt]; }
  // Derives the stored size from type and declared size, and the scale copy from the scale.
  void DeriveStoredSize();
  // Offset of the null-flag byte in the record (5 for the auto-increment field, which has none).
  uint16_t Offset() const;
  void SetOffset(uint16_t offset);
  bool Required() const { return FBytes[kRequiredAt] != 0; }
  void SetRequired(bool required) { FBytes[kRequiredAt] = required ? 1 : 0; }
  uint8_t Casing() const { return FBytes[kCasingAt]; }
  void SetCasing(uint8_t casingCode) { FBytes[kCasingAt] = casingCode; }
  std::string Minimum() const;
  void SetMinimum(std::string_view text);
  std::string Maximum() const;
  void SetMaximum(std::string_view text);
  std::string Default() const;
  void SetDefault(std::string_view text);
  bool NoStorage() const { return FBytes[kNoStorageAt] != 0; }
  void SetNoStorage(bool value) { FBytes[kNoStorageAt] = value ? 1 : 0; }

  // In definitions handed to the dataset layer: a column the dataset's field list leaves out.
  bool HiddenFromDataSet() const { return FBytes[kHiddenFromDataSetAt] != 0; }
  void SetHiddenFromDataSet(bool value) { FBytes[kHiddenFromDataSetAt] = value ? 1 : 0; }

  // In the copies of definitions handed to the record sort: the field sorts descending.
  bool SortDescending() const { return FBytes[kSortDescendingAt] != 0; }
  void SetSortDescending(bool value) { FBytes[kSortDescendingAt] = value ? 1 : 0; }

  bool IsAutoIncrement() const { return Type() == TFieldType::Integer && Subtype() == subtype::AutoIncrement; }
  // Whether the field has a null-flag byte and a value in the record's field area.
  bool TakesRoom() const { return !IsAutoIncrement() && !NoStorage(); }
  // Whether every short string's length byte fits its slot.
  bool ShortStringsFit() const;

  // Takes over name, subtype, description, required flag, minimum, maximum and default;
  // type, sizes and offsets stay.
  void UpdateAlterable(const TFieldDefinition& from);

  const uint8_t* Bytes() const { return FBytes.data(); }
  uint8_t* Bytes() { return FBytes.data(); }

 private:
  static constexpr int kNumberAt = 0;
  static constexpr int kNameAt = 2, kNameSlot = 31;
  static constexpr int kDescriptionAt = 33, kTextSlot = 51;
  static constexpr int kTypeAt = 84, kSubtypeAt = 85, kDeclaredSizeAt = 86, kScaleAt = 87;
  static constexpr int kStoredSizeAt = 88, kScaleCopyAt = 89, kOffsetAt = 90;
  static constexpr int kRequiredAt = 92, kCasingAt = 93;
  static constexpr int kMinimumAt = 94, kMaximumAt = 145, kDefaultAt = 196;
  static constexpr int kNoStorageAt = 247;
  static constexpr int kHiddenFromDataSetAt = 252;
  static constexpr int kSortDescendingAt = 253;
  static constexpr int kNameCutAt = 254;

  std::array<uint8_t, kSize> FBytes;
};

// Whether a field or index name may start with this character: a letter, "_" or a code 129..254.
bool ValidFirstNameCharacter(uint8_t c);

// Whether two field names are the same name: trimmed, without regard to letter case.
bool SameFieldName(std::string_view a, std::string_view b);

}  // namespace sklad
