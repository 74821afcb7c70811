// The dataset's field definitions: what each engine field of a cursor is offered as — its kind,
// name (made unique), size and required flag — built from the cursor's field descriptors.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/storage/data/FieldDefinition.h"

namespace sklad {

class TDataCursor;

enum class TFieldKind {
  String,
  Date,
  Memo,
  Blob,
  FormattedMemo,
  Graphic,
  TypedBinary,
  Boolean,
  SmallInt,
  Integer,
  AutoInc,
  Float,
  Currency,
  BCD,
  Bytes,
  Time,
  DateTime,
  Word,
  VarBytes,
  LargeInt,
  ADT,
  Array,
  Reference,
  DataSet,
};

struct TFieldDef {
  std::string Name;
  int FieldNo = 0;  // the engine's field number, 1-based
  TFieldKind Kind = TFieldKind::String;
  int Size = 0;  // declared size of strings and bytes, scale of BCD values, else 0
  bool Required = false;
};

// The kind an engine field is offered as; none for types the dataset does not offer.
std::optional<TFieldKind> FieldKindOf(const TFieldDefinition& definition);

// The cursor's fields in field-number order, without those hidden from datasets and those of
// types not offered; a repeated name gets "_1", "_2", ... until it is unique.
std::vector<TFieldDef> BuildFieldDefs(const TDataCursor& cursor);

}  // namespace sklad
