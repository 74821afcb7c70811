#include "tools/sklad/ResultRows.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/data/ValueConversion.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"
#include "tools/sklad/ExactNumbers.h"
#include "tools/sklad/HexText.h"
#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {
namespace {

// Room for the text of any value that is not a string itself.
constexpr int kTextRoom = 256;

// Memos and formatted memos hold text; every other BLOB subtype holds bytes.
bool HoldsText(const TFieldDefinition& field) {
  return field.Subtype() == subtype::Memo || field.Subtype() == subtype::FormattedMemo;
}

TCellKind KindOf(TFieldType type) {
  switch (type) {
    case TFieldType::Boolean: return TCellKind::Boolean;
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::Float:
    case TFieldType::BCD:
    case TFieldType::Word:
    case TFieldType::Unsigned:
    case TFieldType::Extended: return TCellKind::Number;
    default: return TCellKind::Text;
  }
}

// A float in the shortest text that reads back to the same value; the engine's own text keeps
// only 15 significant digits.
std::string FloatValueText(const TFieldDefinition& field, std::span<const uint8_t> value) {
  if (field.Type() == TFieldType::Extended) {
    long double extended = 0;
    std::memcpy(&extended, value.data(), field.StoredSize());
    return ExtendedText(extended);
  }
  double real = 0;
  std::memcpy(&real, value.data(), sizeof real);
  return field.Subtype() == subtype::Money ? MoneyText(real) : FloatText(real);
}

// The engine's own text of a number, date, time or boolean under the language-neutral settings
// in force (ISO dates, '.' decimal point).
std::string ValueText(const TDataCursor& cursor, const TFieldDefinition& field, std::vector<uint8_t>& value) {
  const int size = field.IsAutoIncrement() ? 4 : field.StoredSize();
  if (!Convert(field.Type(), size, field.Scale(), value, kTextRoom, 0, TFieldType::String))
    RaiseEngineError(err::InvalidConversion, cursor.TableName(), field.Name(),
                     "'" + field.Name() + "' cannot be read as text");
  return LoadStringValue(value.data(), kTextRoom);
}

}  // namespace

TResultRows::TResultRows(TDataCursor& cursor) : TResultRows(cursor, BuildFieldDefs(cursor)) {}

TResultRows::TResultRows(TDataCursor& cursor, std::vector<TFieldDef> columns)
    : FCursor(cursor),
      FColumns(std::move(columns)),
      FRecord(static_cast<size_t>(cursor.RecordSize())),
      FCodePage(platform::AnsiCodePage(cursor.Table()->Data().Language())) {}

std::vector<std::string> TResultRows::ColumnNames() const {
  std::vector<std::string> names;
  for (const TFieldDef& column : FColumns) names.push_back(platform::CodePageToUtf8(column.Name, FCodePage));
  return names;
}

void TResultRows::Restart() { FCursor.First(); }

bool TResultRows::Next(std::vector<TResultCell>& cells) {
  const int status = FCursor.ReadNext(FRecord.data());
  if (status == cursor_status::EndOfFile) return false;
  if (status != cursor_status::Ok) RaiseEngineError(static_cast<uint16_t>(status), FCursor.TableName());
  // Values print the same whatever the machine's or the table's locale.
  TLocaleScope neutral(0, 0);
  cells.clear();
  for (const TFieldDef& column : FColumns) cells.push_back(ReadCell(column));
  return true;
}

TResultCell TResultRows::ReadCell(const TFieldDef& column) {
  const TFieldDefinition& field = FCursor.GetFieldDefinition(column.FieldNo);
  std::vector<uint8_t> value(std::max<size_t>(field.StoredSize(), kTextRoom), 0);
  if (FCursor.GetField(column.FieldNo, FRecord.data(), value.data())) return {};
  switch (field.Type()) {
    case TFieldType::String:
      return {TCellKind::Text, platform::CodePageToUtf8(LoadStringValue(value.data(), field.StoredSize()), FCodePage)};
    case TFieldType::Blob: {
      const std::vector<uint8_t> bytes =
          FCursor.ReadWholeTableBlob(FCursor.TableFieldNumber(column.FieldNo), FRecord.data());
      if (!HoldsText(field)) return {TCellKind::Binary, HexText(bytes)};
      return {TCellKind::Text, platform::CodePageToUtf8(std::string(bytes.begin(), bytes.end()), FCodePage)};
    }
    case TFieldType::Bytes:
    case TFieldType::VarBytes:
      return {TCellKind::Binary, HexText(std::span(value).first(field.StoredSize()))};
    case TFieldType::Float:
    case TFieldType::Extended: return {KindOf(field.Type()), FloatValueText(field, value)};
    default: return {KindOf(field.Type()), ValueText(FCursor, field, value)};
  }
}

std::vector<TFieldDef> TableColumns(const TDataCursor& cursor) {
  std::vector<TFieldDef> columns;
  for (int fieldNo = 1; fieldNo <= cursor.FieldCount(); ++fieldNo) {
    TFieldDef column;
    column.Name = cursor.GetFieldDefinition(fieldNo).Name();
    column.FieldNo = fieldNo;
    columns.push_back(std::move(column));
  }
  return columns;
}

void WriteRows(TResultRows& rows, TResultWriter& writer) {
  writer.Begin(rows.ColumnNames());
  rows.Restart();
  std::vector<TResultCell> cells;
  while (rows.Next(cells)) writer.Row(cells);
  writer.End();
}

}  // namespace sklad::tool
