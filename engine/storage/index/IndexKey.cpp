#include "IndexKey.h"

#include <cstring>
#include <span>

#include "IndexKeyForm.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {
namespace {

TKeySegment SegmentOf(const TFieldDefinition& field, bool descending) {
  TKeySegment segment;
  segment.Type = field.Type();
  segment.StoredSize = StoredSize(field.Type(), field.DeclaredSize());
  segment.RecordOffset = field.Offset();
  segment.AutoIncrement = field.IsAutoIncrement();
  segment.Descending = descending;
  return segment;
}

}  // namespace

int TKeyLayout::KeyFieldsSize(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields) {
  int size = 0;
  for (int i = 0; i < definition.ListedFieldCount(); ++i) {
    const int number = definition.FieldNumber(i);
    if (number < 1 || number > fields.Count()) return -1;
    const TFieldDefinition& field = fields[number - 1];
    size += StoredSize(field.Type(), field.DeclaredSize()) + 1;
  }
  return size;
}

TKeyLayout TKeyLayout::ForIndex(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                                uint16_t language, uint16_t sort) {
  TKeyLayout layout;
  layout.FUnique = definition.Unique();
  layout.FDescending = definition.Descending();
  layout.FCaseInsensitive = definition.CaseInsensitive();
  layout.FLanguage = language;
  layout.FSort = sort;
  int length = 0;
  for (int i = 0; i < definition.ListedFieldCount(); ++i) {
    const TKeySegment segment = SegmentOf(fields[definition.FieldNumber(i) - 1], definition.FieldDescending(i));
    layout.FSegments.Add(segment);
    length += segment.StoredSize + 1;
  }
  layout.FKeyLength = length + (layout.FUnique ? 0 : TIndexDefinition::kIdentitySize);
  return layout;
}

TKeyLayout TKeyLayout::ForSort(const TSystemList<TFieldDefinition>& sortFields, bool caseInsensitive,
                               uint16_t language, uint16_t sort) {
  TKeyLayout layout;
  layout.FUnique = false;
  layout.FCaseInsensitive = caseInsensitive;
  layout.FLanguage = language;
  layout.FSort = sort;
  int length = 0;
  for (const TFieldDefinition& field : sortFields) {
    const TKeySegment segment = SegmentOf(field, field.SortDescending());
    layout.FSegments.Add(segment);
    length += segment.StoredSize + 1;
  }
  layout.FKeyLength = length + TIndexDefinition::kIdentitySize;
  return layout;
}

TKeyLayout TKeyLayout::ForRecordStates() {
  TKeyLayout layout;
  layout.FUnique = false;
  layout.FRecordStates = true;
  layout.FKeyLength = kRecordStateKeyLength;
  return layout;
}

void TKeyLayout::BuildKey(const uint8_t* record, uint8_t* key) const {
  std::memset(key, 0, static_cast<size_t>(FKeyLength));
  const int32_t identity = LoadLE<int32_t>(record + kAutoIncrementAt);
  if (FRecordStates) {
    key[0] = record[kRecordStateAt];
    StoreOrderedInt32(identity, key + 1);
    return;
  }
  uint8_t* at = key;
  for (const TKeySegment& segment : FSegments) {
    if (segment.AutoIncrement) {
      at[0] = 1;
      StoreOrderedInt32(identity, at + 1);
    } else if (record[segment.RecordOffset] != 0) {
      at[0] = 1;
      StoreOrderedValue(segment.Type, record + segment.RecordOffset + 1, segment.StoredSize, at + 1);
      if (FCaseInsensitive && segment.Type == TFieldType::String) {
        char* characters = reinterpret_cast<char*>(at + 1);
        const size_t length = std::strlen(characters);  // the stored terminator bounds it
        ToUpperCase(FLanguage, FSort, std::span<char>(characters, length));
      }
    }
    if (segment.Descending && !FDescending && !TableHasLanguage())
      InvertBytes(at, InvertedSpan(segment.Type, segment.StoredSize));
    at += segment.StoredSize + 1;
  }
  if (!FUnique) StoreOrderedInt32(identity, at);
}

}  // namespace sklad
