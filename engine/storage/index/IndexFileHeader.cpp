#include "IndexFileHeader.h"

#include <cstring>

#include "engine/storage/core/LittleEndian.h"

namespace sklad {

int32_t TIndexFileHeader::ChangeCounter() const { return LoadLE<int32_t>(&FBytes[0]); }

void TIndexFileHeader::SetChangeCounter(int32_t value) { StoreLE<int32_t>(&FBytes[0], value); }

uint32_t TIndexFileHeader::NextPageOffset() const { return LoadLE<uint32_t>(&FBytes[kNextPageAt]); }

void TIndexFileHeader::SetNextPageOffset(uint32_t offset) { StoreLE<uint32_t>(&FBytes[kNextPageAt], offset); }

TIndexDefinition TIndexFileHeader::Definition(int slot) const {
  TIndexDefinition definition;
  std::memcpy(definition.Bytes(), &FBytes[kDefinitionsAt + TIndexDefinition::kSize * slot], TIndexDefinition::kSize);
  return definition;
}

void TIndexFileHeader::SetDefinition(int slot, const TIndexDefinition& definition) {
  std::memcpy(&FBytes[kDefinitionsAt + TIndexDefinition::kSize * slot], definition.Bytes(), TIndexDefinition::kSize);
}

int32_t TIndexFileHeader::RecordCount() const { return LoadLE<int32_t>(&FBytes[kRecordCountAt]); }

void TIndexFileHeader::SetRecordCount(int32_t count) { StoreLE<int32_t>(&FBytes[kRecordCountAt], count); }

}  // namespace sklad
