#include "tools/sklad/CsvTableLoader.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/ValueConversion.h"
#include "platform/locale/CodePage.h"
#include "tools/sklad/CodePageText.h"
#include "tools/sklad/ExactNumbers.h"
#include "tools/sklad/HexText.h"
#include "tools/sklad/Tool.h"

namespace sklad::tool {
namespace {

// Room for the bytes any non-string field value takes while it is converted.
constexpr size_t kConversionRoom = 64;

bool IsTextBlob(const TFieldDefinition& field) {
  return field.Subtype() == subtype::Memo || field.Subtype() == subtype::FormattedMemo;
}

[[noreturn]] void FailAtLine(int64_t line, const std::string& what) {
  throw TToolFailure(fmt::format("line {}: {}", line, what));
}

}  // namespace

TCsvTableLoader::TCsvTableLoader(TDataCursor& cursor)
    : FCursor(cursor),
      FCodePage(TableCodePage(cursor.Table()->Data().Language())),
      FNeutralFormats(0, 0),
      FRecord(static_cast<size_t>(cursor.RecordSize())) {}

void TCsvTableLoader::TakeHeader(const TCsvRecord& header) {
  FColumns.clear();
  FAutoIncrementColumn.reset();
  for (const std::optional<std::string>& name : header.Fields) {
    if (!name || name->empty()) FailAtLine(header.Line, "the header has an empty column name");
    const std::optional<std::string> bytes = platform::Utf8ToCodePageExactly(*name, FCodePage);
    const TFieldDefinition* field = bytes ? FCursor.Table()->Data().FieldByName(*bytes) : nullptr;
    if (field == nullptr) FailAtLine(header.Line, fmt::format("the table has no column '{}'", *name));
    const bool repeated = std::ranges::any_of(FColumns, [&](const TColumn& c) { return c.FieldNumber == field->Number(); });
    if (repeated) FailAtLine(header.Line, fmt::format("column '{}' is named twice", *name));
    if (field->IsAutoIncrement()) FAutoIncrementColumn = FColumns.size();
    FColumns.push_back({field->Number(), *name});
  }
}

void TCsvTableLoader::Insert(const TCsvRecord& record) {
  if (record.Fields.size() != FColumns.size())
    FailAtLine(record.Line, fmt::format("{} fields where the header names {}", record.Fields.size(), FColumns.size()));
  uint8_t* buffer = FRecord.data();
  try {
    FCursor.InitRecord(buffer);
    for (size_t i = 0; i < FColumns.size(); ++i) {
      if (record.Fields[i]) PutValue(FColumns[i], *record.Fields[i], buffer);
      else FCursor.PutTableField(FColumns[i].FieldNumber, buffer, nullptr);
    }
    // A record that gives its auto-increment value keeps it; one without gets the next.
    FCursor.SetUserRecordIds(FAutoIncrementColumn && record.Fields[*FAutoIncrementColumn]);
    FCursor.InsertRecord(buffer, false);
  } catch (const ESkladEngineError& error) {
    FCursor.FreeBlobBuffers(false);
    FailAtLine(record.Line, EngineMessage(error));
  } catch (const TToolFailure& failure) {
    FCursor.FreeBlobBuffers(false);
    FailAtLine(record.Line, failure.what());
  } catch (...) {
    FCursor.FreeBlobBuffers(false);
    throw;
  }
}

void TCsvTableLoader::PutValue(const TColumn& column, const std::string& text, uint8_t* record) {
  const TFieldDefinition& field = FCursor.TableField(column.FieldNumber);
  try {
    switch (field.Type()) {
      case TFieldType::String: PutText(field, column, InCodePage(column, text), record); break;
      case TFieldType::Blob:
        PutBlob(field, IsTextBlob(field) ? InCodePage(column, text) : FromHex(column, text), record);
        break;
      case TFieldType::Bytes:
      case TFieldType::VarBytes: PutBytes(field, column, FromHex(column, text), record); break;
      case TFieldType::Float:
      case TFieldType::Extended: PutFloat(field, column, text, record); break;
      case TFieldType::BCD: PutFixed(field, column, text, record); break;
      default: PutConverted(field, column, InCodePage(column, text), record); break;
    }
  } catch (const ESkladEngineError& error) {
    throw TToolFailure(fmt::format("column '{}': {}", column.Name, EngineMessage(error)));
  }
}

std::string TCsvTableLoader::EngineMessage(const ESkladEngineError& error) const {
  return platform::CodePageToUtf8(error.what(), FCodePage);
}

std::string TCsvTableLoader::InCodePage(const TColumn& column, const std::string& utf8) const {
  std::optional<std::string> bytes = platform::Utf8ToCodePageExactly(utf8, FCodePage);
  if (!bytes)
    throw TToolFailure(fmt::format("column '{}': the value is not UTF-8 text that code page {} can hold",
                                   column.Name, FCodePage));
  return std::move(*bytes);
}

void TCsvTableLoader::PutText(const TFieldDefinition& field, const TColumn& column, const std::string& bytes,
                              uint8_t* record) {
  // A longer text would be cut and a zero byte would end it early: both would lose data.
  if (bytes.size() > field.DeclaredSize())
    throw TToolFailure(fmt::format("column '{}': the value has {} characters, the column holds {}", column.Name,
                                   bytes.size(), field.DeclaredSize()));
  if (bytes.find('\0') != std::string::npos)
    throw TToolFailure(fmt::format("column '{}': the value holds a zero character", column.Name));
  PutStored(field, bytes.data(), bytes.size(), record);
}

void TCsvTableLoader::PutBytes(const TFieldDefinition& field, const TColumn& column, const std::string& bytes,
                               uint8_t* record) {
  if (bytes.size() > field.DeclaredSize())
    throw TToolFailure(fmt::format("column '{}': the value has {} bytes, the column holds {}", column.Name,
                                   bytes.size(), field.DeclaredSize()));
  PutStored(field, bytes.data(), bytes.size(), record);
}

void TCsvTableLoader::PutFloat(const TFieldDefinition& field, const TColumn& column, const std::string& text,
                               uint8_t* record) {
  const auto refuse = [&] {
    throw TToolFailure(fmt::format("column '{}': '{}' is not a floating-point number the column can hold",
                                   column.Name, text));
  };
  if (field.Type() == TFieldType::Extended) {
    const std::optional<long double> value = ReadExtended(text);
    if (!value) refuse();
    PutStored(field, &*value, field.StoredSize(), record);
  } else {
    const std::optional<double> value = ReadFloat(text);
    if (!value) refuse();
    PutStored(field, &*value, sizeof(double), record);
  }
}

void TCsvTableLoader::PutFixed(const TFieldDefinition& field, const TColumn& column, const std::string& text,
                               uint8_t* record) {
  const TFixedReading reading = ReadFixed(text, field.Scale());
  switch (reading.Problem) {
    case TFixedProblem::None: break;
    case TFixedProblem::NotANumber:
      throw TToolFailure(fmt::format("column '{}': '{}' is not a decimal number", column.Name, text));
    case TFixedProblem::TooManyDecimals:
      throw TToolFailure(fmt::format("column '{}': '{}' has more decimal places than the column's {}", column.Name,
                                     text, field.Scale()));
    case TFixedProblem::TooLarge:
      throw TToolFailure(fmt::format("column '{}': '{}' is too large for the column", column.Name, text));
  }
  const int64_t stored = *EncodeBcd(reading.Value);
  PutStored(field, &stored, sizeof stored, record);
}

void TCsvTableLoader::PutStored(const TFieldDefinition& field, const void* bytes, size_t size, uint8_t* record) {
  FValue.assign(std::max<size_t>(field.StoredSize(), size), 0);
  std::memcpy(FValue.data(), bytes, size);
  FCursor.PutTableField(field.Number(), record, FValue.data());
}

std::string TCsvTableLoader::FromHex(const TColumn& column, const std::string& digits) const {
  std::optional<std::string> bytes = BytesFromHex(digits);
  if (!bytes)
    throw TToolFailure(fmt::format("column '{}': a binary value is written as pairs of hexadecimal digits", column.Name));
  return std::move(*bytes);
}

void TCsvTableLoader::PutBlob(const TFieldDefinition& field, const std::string& bytes, uint8_t* record) {
  auto check = [&](int code) {
    if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), FCursor.TableName());
  };
  // Opened by the engine: inserting the record writes the value and frees the buffer.
  check(FCursor.OpenTableBlob(field.Number(), record, 1, TDataCursor::kBlobWrite));
  check(FCursor.WriteTableBlob(field.Number(), record, static_cast<int32_t>(bytes.size()),
                               reinterpret_cast<const uint8_t*>(bytes.data()), 0));
}

void TCsvTableLoader::PutConverted(const TFieldDefinition& field, const TColumn& column, const std::string& bytes,
                                   uint8_t* record) {
  FValue.assign(std::max({bytes.size() + 1, size_t{field.StoredSize()}, kConversionRoom}), 0);
  std::memcpy(FValue.data(), bytes.data(), bytes.size());
  if (!Convert(TFieldType::String, static_cast<int>(bytes.size()) + 1, 0, FValue, field.StoredSize(), field.Scale(),
               field.Type()))
    throw TToolFailure(fmt::format("column '{}': a text cannot be stored in this column", column.Name));
  FCursor.PutTableField(field.Number(), record, FValue.data());
}

}  // namespace sklad::tool
