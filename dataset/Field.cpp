#include "Field.h"

#include <algorithm>
#include <vector>

#include "SkladDataSet.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/data/ValueConversion.h"
#include "engine/storage/table/DataTable.h"
#include "platform/locale/LocaleId.h"

namespace sklad {
namespace {

// Room for the text of any value that is not a string itself.
constexpr int kTextSize = 256;

}  // namespace

TField::TField(TSkladDataSet& dataSet, TFieldDef definition) : FDataSet(dataSet), FDefinition(std::move(definition)) {}

bool TField::IsNull() const {
  const TDataCursor* cursor = FDataSet.Cursor();
  const uint8_t* record = FDataSet.ActiveRecord();
  return !cursor || !record || cursor->GetField(FieldNo(), record, nullptr);
}

std::string TField::AsString() const {
  if (IsNull()) return {};
  return TextOf(*FDataSet.Cursor(), FDataSet.ActiveRecord());
}

std::string TField::TextOf(const TDataCursor& cursor, const uint8_t* record) const {
  const TFieldDefinition& definition = cursor.GetFieldDefinition(FieldNo());
  std::vector<uint8_t> value(std::max<size_t>(definition.StoredSize(), kTextSize), 0);
  if (cursor.GetField(FieldNo(), record, value.data())) return {};
  if (definition.Type() == TFieldType::String) return LoadStringValue(value.data(), definition.StoredSize());
  const int size = definition.IsAutoIncrement() ? 4 : definition.StoredSize();
  if (!Convert(definition.Type(), size, definition.Scale(), value, kTextSize, 0, TFieldType::String))
    RaiseEngineError(err::InvalidConversion, cursor.TableName(), FieldName(),
                     "'" + FieldName() + "' cannot be read as text");
  return LoadStringValue(value.data(), kTextSize);
}

bool TField::InBlobFile() const {
  return FDataSet.Cursor()->GetFieldDefinition(FieldNo()).Type() == TFieldType::Blob;
}

int TField::TextCodePage() const {
  return platform::AnsiCodePage(FDataSet.Cursor()->Table()->Data().Language());
}

}  // namespace sklad
