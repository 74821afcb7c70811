// The one place where the engine's stored text meets the widgets: a field's value, stored in the
// code page of its table's language, as Unicode text for display.
#pragma once

#include <QString>

#include <cstdint>

namespace sklad {
class TDataCursor;
class TField;
}  // namespace sklad

namespace controls {

// The active record's value of the field as display text: strings and numbers converted from
// the table's code page, a memo read whole from the BLOB file; empty when the dataset has no
// current record, the value is null or a binary BLOB.
QString FieldText(sklad::TField& field);

// The field's value in any record buffer the cursor read (a cursor on the field's table, e.g. a
// clone of the dataset's), as display text. BLOB values are not read from here: empty.
QString RecordFieldText(const sklad::TField& field, const sklad::TDataCursor& cursor, const uint8_t* record);

}  // namespace controls
