#include "TableDefinitionCheck.h"

#include <set>
#include <string>
#include <vector>

#include "engine/storage/data/BcdValue.h"
#include "engine/storage/data/DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexDefinitionRules.h"
#include "engine/storage/index/IndexFileHeader.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/data/RecordLayout.h"
#include "engine/storage/table/TableNames.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

constexpr size_t kMaxFieldNameLength = 30;
constexpr int kMaxPasswordLength = 15;

bool ValidTypeCode(uint8_t code) {
  return code >= static_cast<uint8_t>(TFieldType::String) && code <= static_cast<uint8_t>(TFieldType::VarBytes);
}

void CheckFieldName(TFieldDefinition& field, const TSystemList<TFieldDefinition>& fields, int position,
                    std::string_view tableName) {
  const std::string name = TrimmedName(field.Name());
  if (field.NameCut() || name.empty() || name.size() > kMaxFieldNameLength ||
      !ValidFirstNameCharacter(static_cast<uint8_t>(name.front())))
    RaiseEngineError(err::InvalidFieldName, tableName, name);
  for (int i = 0; i < position; ++i)
    if (SameFieldName(fields[i].Name(), name)) RaiseEngineError(err::InvalidFieldName, tableName, name);
  field.SetName(name);
}

void CheckFieldShape(TFieldDefinition& field, std::set<int>& numbers, const TDefinitionCheckOptions& options) {
  const std::string name = field.Name();
  const auto refuse = [&] { RaiseEngineError(err::InvalidFieldDefinition, options.TableName, name); };
  if (!ValidTypeCode(field.TypeCode())) refuse();
  if (field.Number() != 0 && !numbers.insert(field.Number()).second) refuse();
  if (HasDeclaredSize(field.Type())) {
    if (field.DeclaredSize() > kMaxDeclaredSize) refuse();
  } else {
    field.SetDeclaredSize(0);
  }
  if (field.Type() != TFieldType::BCD) field.SetScale(0);
  if (field.Scale() > kMaxBcdScale) refuse();
  if (field.NoStorage() && !options.ResultTable) refuse();
  field.DeriveStoredSize();
}

void CheckFieldTexts(const TFieldDefinition& field, std::string_view tableName) {
  for (const std::string& text : {field.Minimum(), field.Maximum(), field.Default()})
    if (!IsValidFieldText(field.Type(), field.StoredSize(), field.Scale(), text))
      RaiseEngineError(err::InvalidValidityCheck, tableName, field.Name());
}

void CheckIndexes(TTableDefinition& definition, std::string_view tableName) {
  TIndexDefinition& primary = definition.Primary;
  if (primary.ListedFieldCount() > 0) {
    primary.SetName({});
    primary.SetUnique(true);
    CheckIndexKey(primary, definition.Fields, tableName, {});
  }
  std::vector<std::string> names;
  for (TIndexDefinition& index : definition.Secondary) {
    const std::string name = TrimmedName(index.Name());
    CheckSecondaryIndexName(name, names, tableName);
    CheckIndexKey(index, definition.Fields, tableName, name);
    index.SetName(name);
    names.push_back(name);
  }
}

}  // namespace

void ValidateFieldDefinitions(TSystemList<TFieldDefinition>& fields, const TDefinitionCheckOptions& options) {
  TLocaleScope locale(options.Language, options.Sort);
  std::set<int> numbers;
  for (int i = 0; i < fields.Count(); ++i) {
    TFieldDefinition& field = fields[i];
    CheckFieldName(field, fields, i, options.TableName);
    CheckFieldShape(field, numbers, options);
    CheckFieldTexts(field, options.TableName);
  }
  if (options.AssignOffsets) LayOutRecord(fields);
}

void ValidateTableDefinition(TTableDefinition& definition, const TDefinitionCheckOptions& options,
                             int64_t lastAutoIncrement) {
  const std::string_view table = options.TableName;
  TTableProperties& properties = definition.Properties;
  if (properties.Encrypted) {
    properties.Password = TrimmedName(properties.Password);
    if (properties.Password.empty() || properties.Password.size() > kMaxPasswordLength)
      RaiseEngineError(err::InvalidPassword, table);
  }
  if (!IsLanguageInstalled(properties.Language, properties.Sort)) RaiseEngineError(err::LanguageDriverMissing, table);
  if (definition.Fields.Count() > kMaxFieldCount || lastAutoIncrement < -1) RaiseEngineError(err::FieldLimits, table);
  if (definition.Secondary.Count() > TIndexFileHeader::kMaxSecondaryIndexes) RaiseEngineError(err::IndexLimits, table);
  if (!TDataFile::ValidBlobBlockSize(properties.BlobBlockSize)) RaiseEngineError(err::BlobFieldLimits, table);
  TDefinitionCheckOptions fieldOptions = options;
  fieldOptions.Language = properties.Language;
  fieldOptions.Sort = properties.Sort;
  ValidateFieldDefinitions(definition.Fields, fieldOptions);
  CheckIndexes(definition, table);
}

}  // namespace sklad
