#include "IndexDefinition.h"

#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/core/ShortString.h"

namespace sklad {

std::string TIndexDefinition::Name() const { return ReadShortString(&FBytes[kNameAt], kNameSlot); }

void TIndexDefinition::SetName(std::string_view name) { WriteShortString(&FBytes[kNameAt], kNameSlot, name); }

uint16_t TIndexDefinition::KeyLength() const { return LoadLE<uint16_t>(&FBytes[kKeyLengthAt]); }

void TIndexDefinition::SetKeyLength(uint16_t length) { StoreLE<uint16_t>(&FBytes[kKeyLengthAt], length); }

uint16_t TIndexDefinition::FieldNumber(int i) const { return LoadLE<uint16_t>(&FBytes[kFieldNumbersAt + 2 * i]); }

void TIndexDefinition::SetFieldNumber(int i, uint16_t number) {
  StoreLE<uint16_t>(&FBytes[kFieldNumbersAt + 2 * i], number);
}

int TIndexDefinition::ListedFieldCount() const {
  int count = 0;
  while (count < kMaxKeyFields && FieldNumber(count) != 0) ++count;
  return count;
}

uint32_t TIndexDefinition::Root() const { return LoadLE<uint32_t>(&FBytes[kRootAt]); }

void TIndexDefinition::SetRoot(uint32_t offset) { StoreLE<uint32_t>(&FBytes[kRootAt], offset); }

uint32_t TIndexDefinition::FirstFreePage() const { return LoadLE<uint32_t>(&FBytes[kFirstFreeAt]); }

void TIndexDefinition::SetFirstFreePage(uint32_t offset) { StoreLE<uint32_t>(&FBytes[kFirstFreeAt], offset); }

}  // namespace sklad
