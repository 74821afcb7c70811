// The header check of an index file's first use: version, every index definition against the
// table's fields, and the page offsets against the file; and the file size check before a write.
#include "engine/storage/core/EngineError.h"
#include "IndexFile.h"
#include "IndexKey.h"
#include "engine/storage/core/ShortString.h"

namespace sklad {
namespace {

bool ValidPageOffset(uint32_t offset, uint32_t nextPage) {
  if (offset == 0) return true;
  return offset % TIndexFile::kPageSize == 0 && offset >= TIndexFile::kPageSize &&
         offset <= nextPage - TIndexFile::kPageSize;
}

}  // namespace

void TIndexFile::CheckHeader(const TSystemList<TFieldDefinition>& fields) {
  if (FHeader.Version() != TIndexFileHeader::kFormatVersion) RaiseEngineError(err::WrongVersion, FileName());
  const uint32_t nextPage = FHeader.NextPageOffset();
  // The file must hold every page the header announces: a damaged next page offset would
  // otherwise send reads and writes far beyond the file.
  if (nextPage < kPageSize || nextPage % kPageSize != 0) RaiseCorruptHeader();
  if (nextPage > kPageSize && int64_t{nextPage} > GetSize()) RaiseCorruptHeader();
  const int count = FHeader.SecondaryCount();
  if (count > TIndexFileHeader::kMaxSecondaryIndexes) RaiseCorruptHeader();
  const bool noPrimaryKey = FHeader.NoPrimaryKey();
  for (int slot = 0; slot <= count; ++slot) {
    const TIndexDefinition definition = FHeader.Definition(slot);
    if (!ShortStringFits(definition.Bytes(), TIndexDefinition::kNameSlot)) RaiseCorruptHeader();
    const std::string name = definition.Name();
    if (slot == kPrimarySlot) {
      if (!name.empty() || (!noPrimaryKey && !definition.Unique())) RaiseCorruptHeader();
    } else {
      if (name.empty() || !ValidFirstNameCharacter(static_cast<uint8_t>(name.front()))) RaiseCorruptHeader();
      for (int other = 1; other < slot; ++other)
        if (SameFieldName(FHeader.Definition(other).Name(), name)) RaiseCorruptHeader();
    }
    const int fieldCount = definition.ListedFieldCount();
    if (definition.FieldCount() > TIndexDefinition::kMaxKeyFields || definition.FieldCount() != fieldCount)
      RaiseCorruptHeader();
    if (definition.CompressionCode() > static_cast<uint8_t>(TKeyCompression::Full)) RaiseCorruptHeader();
    const bool keyless = slot == kPrimarySlot && noPrimaryKey;
    if (!keyless) {
      for (int i = 0; i < fieldCount; ++i) {
        const int number = definition.FieldNumber(i);
        if (number > fields.Count() || fields[number - 1].Type() == TFieldType::Blob) RaiseCorruptHeader();
      }
      const int size = TKeyLayout::KeyFieldsSize(definition, fields);
      if (size < 1 || size > kMaxKeyFieldsSize) RaiseCorruptHeader();
      if (definition.KeyLength() != size + (definition.Unique() ? 0 : TIndexDefinition::kIdentitySize))
        RaiseCorruptHeader();
    }
    if (!ValidPageOffset(definition.Root(), nextPage) || !ValidPageOffset(definition.FirstFreePage(), nextPage))
      RaiseCorruptHeader();
  }
  const TIndexDefinition states = FHeader.Definition(kSystemSlot);
  if (states.KeyLength() != kRecordStateKeyLength || states.Unique() ||
      states.Compression() != TKeyCompression::None || !ValidPageOffset(states.Root(), nextPage) ||
      !ValidPageOffset(states.FirstFreePage(), nextPage))
    RaiseCorruptHeader();
}

void TIndexFile::CheckPagesBeforeWrite() {
  if (GetSize() < int64_t{FHeader.NextPageOffset()}) RaiseCorruptPages();
}

}  // namespace sklad
