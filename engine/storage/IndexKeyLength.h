// The key length of an index definition as table and index definitions are checked before an
// index is made: the key fields must be fields of the table, their Σ(stored size + 1) must lie
// in 1..524, and a non-unique index adds 4 bytes for the record's identity.
#pragma once

#include <string>

#include "FieldDefinition.h"
#include "IndexDefinition.h"
#include "SystemList.h"

namespace sklad {

// The key length the definition gives. A field number that names no field raises 10023; key
// fields of no size (allowed only when emptyAllowed, for a primary index without fields) or of
// more than 524 bytes raise 10026. Errors name the table and the index ("Primary" for slot 0).
int CheckedKeyLength(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                     const std::string& tableName, bool emptyAllowed);

}  // namespace sklad
