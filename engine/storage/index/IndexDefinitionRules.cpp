#include "IndexDefinitionRules.h"

#include "engine/storage/core/EngineError.h"
#include "IndexKey.h"

namespace sklad {

void CheckSecondaryIndexName(std::string_view name, const std::vector<std::string>& earlierNames,
                             std::string_view tableName) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string_view::npos || !ValidFirstNameCharacter(static_cast<uint8_t>(name[first])))
    RaiseEngineError(err::InvalidIndexName, tableName, {}, {}, name);
  for (const std::string& earlier : earlierNames)
    if (SameFieldName(earlier, name)) RaiseEngineError(err::IndexExists, tableName, {}, {}, name);
}

int CheckIndexKey(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                  std::string_view tableName, std::string_view indexName) {
  if (definition.FieldCount() > TIndexDefinition::kMaxKeyFields) RaiseEngineError(err::IndexLimits, tableName);
  for (int i = 0; i < definition.ListedFieldCount(); ++i) {
    const int number = definition.FieldNumber(i);
    if (number < 1 || number > fields.Count())
      RaiseEngineError(err::InvalidIndexField, tableName, std::to_string(number), {}, indexName);
    if (fields[number - 1].Type() == TFieldType::Blob)
      RaiseEngineError(err::InvalidIndexFieldType, tableName, {}, {}, indexName);
  }
  const int size = TKeyLayout::KeyFieldsSize(definition, fields);
  if (size < 1 || size > kMaxKeyFieldsSize) RaiseEngineError(err::InvalidKeySize, tableName, {}, {}, indexName);
  return size + (definition.Unique() ? 0 : TIndexDefinition::kIdentitySize);
}

}  // namespace sklad
