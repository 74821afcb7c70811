// The check of a table definition before a table is created or restructured, and of the field
// definitions a cursor takes as its own: the limits, every field and every index, refused with
// the engine's codes before any file is touched. The definitions are completed in place.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

struct TDefinitionCheckOptions {
  std::string_view TableName;  // named in the errors
  uint16_t Language = 0;       // the number and date formats the field texts are read with
  uint16_t Sort = 0;
  bool ResultTable = false;    // only result tables may carry computed (no-storage) fields
  bool AssignOffsets = true;   // number the fields by position and lay out the record
};

// Each field: its name trimmed, not empty, starting with a letter, "_" or a code 129..254, at
// most 30 characters and unlike every other name ignoring case (10038); a valid type and a field
// number (0: its position) no other field has (10000); a declared size only for string, bytes
// and varbytes fields, at most 250 (10000); a scale only for BCD fields, at most 4 (10000);
// minimum, maximum and default valid constants of the type (10006). The names are stored
// trimmed, other types' declared sizes and scales cleared, the stored sizes derived and, when
// asked, numbers and offsets assigned.
void ValidateFieldDefinitions(TSystemList<TFieldDefinition>& fields, const TDefinitionCheckOptions& options);

// The whole definition, in this order: the password of an encrypted table (10015), the language
// (15878), the number of fields and the last auto-increment value (9492; -1 keeps a restructured
// table's value), the number of secondary indexes (9487: the index file holds 30 besides the
// record-state index), the BLOB block size (9498: 0 for the default, else 64 to 65,535), the
// fields, then the indexes (10022, 10027, 10023, 12292, 10026, 9487).
void ValidateTableDefinition(TTableDefinition& definition, const TDefinitionCheckOptions& options,
                             int64_t lastAutoIncrement = 0);

}  // namespace sklad
