// The one place where the engine's stored text meets the widgets: a field's value, stored in the
// code page of its table's language, as Unicode text for display.
#pragma once

#include <QString>

#include <string>

namespace sklad {
class TField;
}  // namespace sklad

namespace controls {

// The active record's value of the field as display text: strings and numbers converted from
// the table's code page, a memo read whole from the BLOB file; empty when the dataset has no
// current record, the value is null or a binary BLOB.
QString FieldText(sklad::TField& field);

// A text the field stored (in its table's code page, e.g. one read by sklad::TFieldRowTexts), as
// display text.
QString StoredFieldText(const sklad::TField& field, const std::string& stored);

}  // namespace controls
