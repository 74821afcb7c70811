// TKeyLayout: how the keys of one index are laid out — one segment per key field (presence byte
// and the value's ordered form), then the record's identity for non-unique indexes — and the
// building of a record's key. The record-state index has its own fixed layout.
#pragma once

#include <cstdint>

#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/core/FieldTypes.h"
#include "IndexDefinition.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

// Every key buffer holds this many bytes.
constexpr int kMaxKeyLength = 528;
// The key fields' part of a key may not exceed this.
constexpr int kMaxKeyFieldsSize = 524;
// The record-state index: its slot and its key (state byte, ordered auto-increment value).
constexpr int kRecordStateSlot = 31;
constexpr int kRecordStateKeyLength = 5;

struct TKeySegment {
  TFieldType Type = TFieldType::String;
  int StoredSize = 0;
  int RecordOffset = 0;        // the null-flag byte in the record; the value follows
  bool AutoIncrement = false;  // the value is the record's own auto-increment value
  bool Descending = false;     // the field's own descending flag
};

class TKeyLayout {
 public:
  // The layout of a key index over the table's fields (field number n is fields[n - 1]) in a
  // table with that language and sort identifier (language 0: none). The definition must have
  // passed the header check or the index definition checks.
  static TKeyLayout ForIndex(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                             uint16_t language, uint16_t sort);
  static TKeyLayout ForRecordStates();
  // The sort key of a record over the listed fields (each with its own descending flag, byte 253
  // of the copies), ended by the record's identity.
  static TKeyLayout ForSort(const TSystemList<TFieldDefinition>& sortFields, bool caseInsensitive,
                            uint16_t language, uint16_t sort);

  // Σ(stored size + 1) of the key fields of a definition; -1 when a field number names no field.
  static int KeyFieldsSize(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields);

  int KeyLength() const { return FKeyLength; }
  bool Unique() const { return FUnique; }
  bool Descending() const { return FDescending; }
  bool RecordStates() const { return FRecordStates; }
  bool TableHasLanguage() const { return FLanguage != 0; }
  const TSystemList<TKeySegment>& Segments() const { return FSegments; }

  // The record's key (KeyLength bytes); string fields of case-insensitive indexes upper-cased
  // with the table's locale (US English without a language).
  void BuildKey(const uint8_t* record, uint8_t* key) const;

 private:
  TSystemList<TKeySegment> FSegments;
  int FKeyLength = 0;
  bool FUnique = true;
  bool FDescending = false;
  bool FRecordStates = false;
  bool FCaseInsensitive = false;
  uint16_t FLanguage = 0;
  uint16_t FSort = 0;
};

}  // namespace sklad
