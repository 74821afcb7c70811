#include "ChangeValues.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "SqlErrors.h"
#include "engine/cursor/DataCursor.h"
#include "engine/expression/OperatorTypes.h"
#include "engine/expression/ValueClasses.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

// Room for the text of any number or date a conversion to a string writes.
constexpr int kConversionRoom = 64;

bool IsStringConstant(const TExpToken& value) {
  return value.Kind == TNodeKind::Constant && !value.IsParameter && !value.IsNull && TypeOf(value) == TFieldType::String;
}

// The characters of a string or memo value, up to its terminating zero.
int TextLength(const TExpToken& value) {
  return static_cast<int>(strnlen(value.Text(), value.Capacity()));
}

// A string constant given for a date, time or timestamp column becomes a constant of that type.
void ReadTemporalConstant(TExpToken& value, TFieldType type) {
  const std::string text = value.Text();
  const int size = StoredSize(type, 0);
  std::vector<uint8_t> buffer(std::max<size_t>(text.size() + 1, kConversionRoom), 0);
  std::copy(text.begin(), text.end(), buffer.begin());
  bool converted = false;
  try {
    converted = Convert(TFieldType::String, static_cast<int>(text.size()) + 1, 0, buffer, size, 0, type);
  } catch (const ESkladEngineError& error) {
    if (error.Code() != err::InvalidConversion) throw;
  }
  if (!converted) RaiseSql("Date, time, or timestamp expression expected, instead found '" + text + "' in update values");
  value.Reserve(static_cast<uint32_t>(size));
  std::copy_n(buffer.begin(), size, value.Value.begin());
  value.ValueType = static_cast<uint8_t>(type);
  value.SubType = subtype::None;
  value.Size = static_cast<uint32_t>(size);
  value.Scale = 0;
}

}  // namespace

void BindTargetValue(TExpTree& value, TColumnResolver& resolver, const TFieldDefinition& column,
                     const std::string& columnName) {
  TExpressionBinder binder(err::SqlError, "", "value expression", resolver);
  TExpToken* root = value.release();
  try {
    binder.Bind(root, false);
  } catch (...) {
    value.reset(root);
    throw;
  }
  value.reset(root);
  CheckAssignable(column, columnName, *value);
}

void CheckAssignable(const TFieldDefinition& column, const std::string& columnName, TExpToken& value) {
  // A parameter without a value yet takes the type of its column.
  if (value.IsParameter && value.ValueType == 0) return;
  if (IsTemporal(column.Type()) && IsStringConstant(value)) ReadTemporalConstant(value, column.Type());
  TExpToken target;
  target.Kind = TNodeKind::Column;
  DescribeColumn(target, column);
  if (!OperandsCompatible(TOperator::Equal, target, value))
    RaiseSql("Type mismatch between " + KindWord(target) + " '" + columnName + "' and " + KindWord(value) + " '" +
             value.SourceText + "' in update values");
}

TValueWriter::TValueWriter(TDataCursor& cursor, std::string statementName, bool userAutoIncrement)
    : FCursor(cursor), FStatementName(std::move(statementName)), FUserAutoIncrement(userAutoIncrement) {}

void TValueWriter::Put(int fieldNo, uint8_t* record, const TExpToken& value, const std::string& valueText) {
  const TFieldDefinition& field = FCursor.TableField(fieldNo);
  if (field.IsAutoIncrement() && !FUserAutoIncrement) return;
  if (field.Type() == TFieldType::Blob) {
    PutBlob(fieldNo, record, value);
  } else if (value.IsNull) {
    FCursor.PutTableField(fieldNo, record, nullptr);
  } else {
    PutConverted(fieldNo, record, value, valueText);
  }
}

void TValueWriter::PutBlob(int fieldNo, uint8_t* record, const TExpToken& value) {
  auto check = [&](int code) {
    if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), FCursor.TableName());
  };
  int length = 0;
  if (!value.IsNull) length = IsText(value) ? TextLength(value) : static_cast<int>(std::min(value.Size, value.Capacity()));
  // Opened by the engine: posting the record writes the value and frees the buffer.
  check(FCursor.OpenTableBlob(fieldNo, record, 1, TDataCursor::kBlobWrite));
  check(FCursor.TruncateTableBlob(fieldNo, record, 0));
  if (length > 0) check(FCursor.WriteTableBlob(fieldNo, record, length, value.Value.data(), 0));
}

void TValueWriter::PutConverted(int fieldNo, uint8_t* record, const TExpToken& value, const std::string& valueText) {
  const TFieldDefinition& field = FCursor.TableField(fieldNo);
  // A memo's text converts as a string does.
  TFieldType sourceType = TypeOf(value);
  int sourceSize;
  if (IsText(value)) {
    sourceType = TFieldType::String;
    sourceSize = TextLength(value) + 1;
  } else {
    sourceSize = value.Size > 0 ? static_cast<int>(value.Size) : StoredSize(sourceType, 0);
  }
  sourceSize = std::min(sourceSize, static_cast<int>(value.Capacity()));
  const int targetSize = field.StoredSize();
  std::vector<uint8_t> buffer(static_cast<size_t>(std::max({sourceSize, targetSize, kConversionRoom})) + 1, 0);
  std::copy_n(value.Value.begin(), sourceSize, buffer.begin());
  if (!Convert(sourceType, sourceSize, value.Scale, buffer, targetSize, field.Scale(), field.Type()))
    RaiseSql("Type mismatch between column " + field.Name() + " and constant value " + valueText + " in " +
             FStatementName + " statement");
  FCursor.PutTableField(fieldNo, record, buffer.data());
}

}  // namespace sklad
