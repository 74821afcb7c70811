#include "ColumnDefinition.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad::sql {
namespace {

constexpr const char* kColumnClause = "table column";
constexpr int kIndexNameLength = 30;
constexpr int32_t kMaxUserVersion = 65535;

uint16_t UserVersion(int32_t number) {
  if (number < 0 || number > kMaxUserVersion)
    RaiseEngineError(err::SqlError, {}, {},
                     "User version number " + std::to_string(number) + " must be between 0 and " +
                         std::to_string(kMaxUserVersion));
  return static_cast<uint16_t>(number);
}

// Column definitions name no columns in their values: every name is left to the caller.
class TNoColumns final : public TColumnResolver {
 public:
  bool Resolve(TExpToken&) override { return false; }
};

// The text a column's value was written as: a constant's own text with its sign.
std::string WrittenText(const TExpToken& value) {
  if (value.Kind == TNodeKind::UnaryOperator && value.First)
    return (value.Operator == TOperator::Negate ? "-" : "") + WrittenText(*value.First);
  if (value.Kind == TNodeKind::Constant && value.ValueType == static_cast<uint8_t>(TFieldType::String))
    return value.Text();
  return value.SourceText;
}

bool IsTextField(TFieldType type) {
  return type == TFieldType::String || type == TFieldType::Bytes || type == TFieldType::VarBytes ||
         type == TFieldType::Blob;
}

// A default, minimum or maximum value as the field definition keeps it: text in the table
// language's formats. The value is read as the statement reads its constants (a date string
// in the session's formats) and written again for the table, so that it means the same value
// whatever the two formats are. A name (NOW, DATE, TIME) is kept as written; a value that is
// no value of the field's type is kept as written, and the table check refuses it (10006).
std::string ValueText(const TExpToken& written, const TFieldDefinition& field, TTableLocale locale) {
  if (written.Kind == TNodeKind::Column) return written.ColumnName;
  const TExpTree tree = CopyTree(written);
  TExpToken* root = tree.get();  // outside boolean context the binder keeps the root
  TNoColumns noColumns;
  TExpressionBinder(err::SqlError, {}, "value expression", noColumns).Bind(root, false);
  const TExpTree value = Evaluate(*root, nullptr, TEvaluationContext{});
  if (value->IsNull) return {};
  const TFieldType valueType = static_cast<TFieldType>(value->ValueType);
  if (valueType == TFieldType::String && IsTextField(field.Type())) return value->Text();
  std::vector<uint8_t> buffer(std::max<size_t>(value->Value.size(), 2 * (kMaxDeclaredSize + 1)) + 8, 0);
  std::copy(value->Value.begin(), value->Value.end(), buffer.begin());
  try {
    if (!Convert(valueType, static_cast<int>(value->Size), value->Scale, buffer, field.StoredSize(), field.Scale(),
                 field.Type()))
      return WrittenText(written);
    TLocaleScope tableFormats(locale.Language, locale.Sort);
    if (!Convert(field.Type(), field.StoredSize(), field.Scale(), buffer, kMaxDeclaredSize + 2, 0, TFieldType::String))
      return WrittenText(written);
  } catch (const ESkladEngineError& error) {
    if (error.Code() != err::InvalidConversion) throw;
    return WrittenText(written);
  }
  return reinterpret_cast<const char*>(buffer.data());
}

}  // namespace

[[noreturn]] void RaiseColumnNotFound(std::string_view name) {
  RaiseEngineError(err::SqlError, {}, {}, "Column " + std::string(name) + " not found");
}

void ApplyDataType(TExpToken& dataType, TFieldDefinition& field) {
  TNoColumns noColumns;
  TExpressionBinder(err::SqlError, {}, kColumnClause, noColumns).BindDataType(dataType, nullptr);
  const auto type = static_cast<TFieldType>(dataType.ValueType);
  field.SetType(type);
  field.SetSubtype(dataType.SubType);
  int declaredSize = 0;
  if (type == TFieldType::String) declaredSize = static_cast<int>(dataType.Size) - 1;
  else if (HasDeclaredSize(type)) declaredSize = static_cast<int>(dataType.Size);
  field.SetDeclaredSize(static_cast<uint8_t>(declaredSize));
  field.SetScale(type == TFieldType::BCD ? dataType.Scale : 0);
  field.DeriveStoredSize();
}

void ApplyColumnOptions(const TCreateField& column, TFieldDefinition& field, TTableLocale locale) {
  if (column.DescriptionGiven) field.SetDescription(column.Description);
  if (column.Required) field.SetRequired(true);
  if (column.Default) field.SetDefault(ValueText(*column.Default, field, locale));
  if (column.Minimum) field.SetMinimum(ValueText(*column.Minimum, field, locale));
  if (column.Maximum) field.SetMaximum(ValueText(*column.Maximum, field, locale));
  if (column.CasingGiven) field.SetCasing(column.Casing);
}

TFieldDefinition NewFieldDefinition(TCreateField& column, TTableLocale locale) {
  TFieldDefinition field;
  field.SetName(column.Name);
  ApplyDataType(*column.DataType, field);
  ApplyColumnOptions(column, field, locale);
  return field;
}

int FieldPosition(const TSystemList<TFieldDefinition>& fields, std::string_view name) {
  for (int i = 0; i < fields.Count(); ++i)
    if (SameFieldName(fields[i].Name(), name)) return i + 1;
  return 0;
}

TIndexDefinition NewIndexDefinition(const TCreateIndex& index, const TSystemList<TFieldDefinition>& fields,
                                    std::string_view tableName) {
  TIndexDefinition definition;
  if (!index.Primary) definition.SetName(std::string_view(index.Name).substr(0, kIndexNameLength));
  if (index.Columns.size() > static_cast<size_t>(TIndexDefinition::kMaxKeyFields))
    RaiseEngineError(err::IndexLimits, tableName);
  definition.SetUnique(index.Primary || index.Unique);
  definition.SetDescending(index.Descending);
  definition.SetCaseInsensitive(index.CaseInsensitive);
  definition.SetCompression(static_cast<TKeyCompression>(index.Compression));
  for (size_t i = 0; i < index.Columns.size(); ++i) {
    const int position = FieldPosition(fields, index.Columns[i]);
    if (position == 0) RaiseColumnNotFound(index.Columns[i]);
    definition.SetFieldNumber(static_cast<int>(i), static_cast<uint16_t>(position));
    definition.SetFieldDescending(static_cast<int>(i), index.Descending);
  }
  definition.SetFieldCount(static_cast<uint8_t>(index.Columns.size()));
  return definition;
}

void ApplyTableOptions(const TTableOptions& options, TTableProperties& properties) {
  if (options.DescriptionGiven) properties.Description = options.Description;
  if (options.BlobBlockSizeGiven) properties.BlobBlockSize = options.BlobBlockSize;
  if (options.LanguageGiven) {
    properties.Language = options.Language;
    properties.Sort = options.SortGiven ? options.Sort : 0;
  }
  if (options.Encrypted) {
    properties.Encrypted = true;
    properties.Password = options.Password;
  }
  if (options.UserMajorVersionGiven) properties.UserMajorVersion = UserVersion(options.UserMajorVersion);
  if (options.UserMinorVersionGiven) properties.UserMinorVersion = UserVersion(options.UserMinorVersion);
}

}  // namespace sklad::sql
