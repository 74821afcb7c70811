// The rules a new index definition meets against its table, shared by the index file (which
// adds indexes to its header) and the table definition check (which refuses a definition before
// any file is made), so that both refuse the same definitions with the same codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/data/FieldDefinition.h"
#include "IndexDefinition.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

// A secondary index name, trimmed: it starts with a letter, "_" or a code 129..254, else 10022;
// it differs from every earlier name ignoring case, else 10027.
void CheckSecondaryIndexName(std::string_view name, const std::vector<std::string>& earlierNames,
                             std::string_view tableName);

// The name the primary index goes by in messages.
inline constexpr const char* kPrimaryIndexName = "Primary";

// The key of an index with key fields: at most 16 fields (9487), each a field of the table
// (10023) and none a BLOB (12292), together 1 to 524 bytes (10026). Answers the key length: that
// size, and 4 more for the auto-increment value that makes the keys of a non-unique index unique.
int CheckIndexKey(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                  std::string_view tableName, std::string_view indexName);

}  // namespace sklad
