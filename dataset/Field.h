// TField: one field of an open dataset, reading its value from the dataset's active record
// buffer (filled by the last cursor read, so a read costs no file access).
#pragma once

#include <cstdint>
#include <string>

#include "FieldDefs.h"

namespace sklad {

class TDataCursor;
class TSkladDataSet;

class TField {
 public:
  TField(TSkladDataSet& dataSet, TFieldDef definition);

  const std::string& FieldName() const { return FDefinition.Name; }
  int FieldNo() const { return FDefinition.FieldNo; }
  TFieldKind DataType() const { return FDefinition.Kind; }
  int Size() const { return FDefinition.Size; }
  bool Required() const { return FDefinition.Required; }
  TSkladDataSet& DataSet() const { return FDataSet; }

  // Of the active record; with no current record every field is null.
  bool IsNull() const;
  // The value as text; null reads as an empty text. BLOB values are not read as text here.
  std::string AsString() const;
  // The same of any record buffer of the cursor.
  std::string TextOf(const TDataCursor& cursor, const uint8_t* record) const;
  // Whether the value lives in the table's BLOB file (memos and binary values), so that a record
  // buffer holds no text of it.
  bool InBlobFile() const;
  // The code page of the field's stored text: that of its table's language.
  int TextCodePage() const;

 private:
  TSkladDataSet& FDataSet;
  TFieldDef FDefinition;
};

}  // namespace sklad
