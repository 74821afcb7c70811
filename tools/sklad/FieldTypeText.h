// A field's type as the SQL dialect's CREATE TABLE writes it ("VARCHAR(40)", "BLOB(0, 1)"); the
// few types the dialect cannot declare get a name of their own ("VARBYTES(8)", "UNSIGNED").
#pragma once

#include <string>

#include "engine/storage/data/FieldDefinition.h"

namespace sklad::tool {

std::string FieldTypeText(const TFieldDefinition& field);

}  // namespace sklad::tool
