// The one place where the engine's stored text meets the widgets: a field's value, stored in the
// code page of its table's language, as Unicode text for display.
#pragma once

#include <QString>

namespace sklad {
class TField;
}

namespace controls {

// The active record's value of the field as display text: strings and numbers converted from
// the table's code page, a memo read whole from the BLOB file; empty when the dataset has no
// current record or the value is null.
QString FieldText(sklad::TField& field);

}  // namespace controls
