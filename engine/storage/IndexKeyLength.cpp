#include "IndexKeyLength.h"

#include "EngineError.h"
#include "IndexKey.h"

namespace sklad {

int CheckedKeyLength(const TIndexDefinition& definition, const TSystemList<TFieldDefinition>& fields,
                     const std::string& tableName, bool emptyAllowed) {
  const std::string indexName = definition.Name().empty() ? "Primary" : definition.Name();
  for (int i = 0; i < definition.ListedFieldCount(); ++i) {
    const int number = definition.FieldNumber(i);
    if (number < 1 || number > fields.Count())
      RaiseEngineError(err::InvalidIndexField, tableName, std::to_string(number), {}, indexName);
  }
  const int fieldsSize = TKeyLayout::KeyFieldsSize(definition, fields);
  if ((fieldsSize == 0 && !emptyAllowed) || fieldsSize > kMaxKeyFieldsSize)
    RaiseEngineError(err::InvalidKeySize, tableName, {}, {}, indexName);
  return fieldsSize + (definition.Unique() ? 0 : TIndexDefinition::kIdentitySize);
}

}  // namespace sklad
