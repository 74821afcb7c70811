// The columns, indexes and table options of CREATE TABLE, CREATE INDEX and ALTER TABLE turned
// into the definitions the cursor engine creates and restructures tables with.
#pragma once

#include <cstdint>
#include <string_view>

#include "DataQuery.h"
#include "engine/storage/data/DataFile.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/index/IndexDefinition.h"
#include "engine/storage/core/SystemList.h"

namespace sklad::sql {

// The language and sort a table's value texts are written for.
struct TTableLocale {
  uint16_t Language = 0;
  uint16_t Sort = 0;
};

// A field for a column definition: its data type (arguments checked, 11949) and every option
// given with it.
TFieldDefinition NewFieldDefinition(TCreateField& column, TTableLocale locale);

// A data type given for a column: type, subtype, declared size and scale. The field's value
// texts and other options stay.
void ApplyDataType(TExpToken& dataType, TFieldDefinition& field);

// The options given with a column onto its field: description, NOT NULL, default, minimum,
// maximum and character case; options not given leave the field's own.
void ApplyColumnOptions(const TCreateField& column, TFieldDefinition& field, TTableLocale locale);

// The position (1-based) of the field of that name, ignoring case; 0 when none has it.
int FieldPosition(const TSystemList<TFieldDefinition>& fields, std::string_view name);

// An index over named columns of the fields (the primary index when the definition is one):
// "Column x not found" (11949) for a name no field has, 9487 for more than 16 columns. A
// descending index orders every key field descending; a secondary index name is cut to 30
// characters.
TIndexDefinition NewIndexDefinition(const TCreateIndex& index, const TSystemList<TFieldDefinition>& fields,
                                    std::string_view tableName);

// The table options a statement gives onto the table properties; options not given leave them.
// A user version outside 0 to 65,535 is refused (11949).
void ApplyTableOptions(const TTableOptions& options, TTableProperties& properties);

// 11949 "Column <name> not found".
[[noreturn]] void RaiseColumnNotFound(std::string_view name);

}  // namespace sklad::sql
