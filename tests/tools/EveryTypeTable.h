// A Czech table with a column of every field type the engine stores (every type code, the memo,
// binary, graphic, money, fixed-character and auto-increment subtypes), made through the cursor
// engine with values stored as they are, not through any text: NULLs, empty texts, floats at
// their edges (largest, smallest normal, subnormal, -0.0, values that need 17 digits, infinities,
// NaN), the limits of every integer and fixed-point width, multi-line Czech memos, a memo and a
// binary value each holding every byte value. Also what such a table holds, read back field by field as the
// stored bytes, to compare two tables value for value.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/data/BcdValue.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/language/LanguageList.h"
#include "platform/locale/CodePage.h"

namespace sklad::testing {

struct TEveryTypeColumn {
  const char* Name;
  TFieldType Type;
  int Size = 0;
  uint8_t Subtype = subtype::None;
  int Scale = 0;
};

// Every column; those of the types the SQL dialect cannot declare (unsigned, extended, varbytes)
// come last.
inline const std::vector<TEveryTypeColumn>& EveryTypeColumns() {
  static const std::vector<TEveryTypeColumn> columns = {
      {"id", TFieldType::Integer, 0, subtype::AutoIncrement},
      {"text", TFieldType::String, 40},
      {"fixed", TFieldType::String, 5, subtype::FixedChar},
      {"day", TFieldType::Date},
      {"memo", TFieldType::Blob, 0, subtype::Memo},
      {"formatted", TFieldType::Blob, 0, subtype::FormattedMemo},
      {"binary", TFieldType::Blob, 0, subtype::None},
      {"picture", TFieldType::Blob, 0, subtype::Graphic},
      {"yes", TFieldType::Boolean},
      {"small", TFieldType::SmallInt},
      {"whole", TFieldType::Integer},
      {"real", TFieldType::Float},
      {"price", TFieldType::Float, 0, subtype::Money},
      {"units", TFieldType::BCD, 0, subtype::None, 0},
      {"cents", TFieldType::BCD, 0, subtype::None, 2},
      {"fine", TFieldType::BCD, 0, subtype::None, 4},
      {"raw", TFieldType::Bytes, 16},
      {"clock", TFieldType::Time},
      {"moment", TFieldType::TimeStamp},
      {"word", TFieldType::Word},
      {"unsigned", TFieldType::Unsigned},
      {"extended", TFieldType::Extended},
      {"varying", TFieldType::VarBytes, 8},
  };
  return columns;
}

constexpr size_t kSqlDeclaredColumns = 20;  // the columns before unsigned, extended and varbytes

// One record: each named column's stored bytes (a BLOB's content); columns not named are NULL.
using TStoredRow = std::map<std::string, std::string>;

template <typename T>
std::string Stored(T value) {
  std::string bytes(sizeof(T), '\0');
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

inline std::string StoredExtended(long double value) { return Stored(value).substr(0, 10); }
inline std::string StoredFixed(int64_t digits, int scale) { return Stored(*EncodeBcd({digits, scale})); }
inline std::string StoredTimestamp(int32_t day, int32_t millisecond) {
  return Stored(static_cast<double>(day) * 86400000.0 + millisecond);
}
inline std::string Cp1250(const std::string& utf8) { return *platform::Utf8ToCodePageExactly(utf8, 1250); }

inline std::vector<TStoredRow> EveryTypeRows() {
  std::string everyByte;
  for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  const std::string memo = Cp1250("Příliš \"žluťoučký\" kůň, úpěl;\r\nďábelské ódy\n\n  a konec  ");
  using Double = std::numeric_limits<double>;
  using Extended = std::numeric_limits<long double>;
  const double nan = Double::quiet_NaN();
  std::vector<TStoredRow> rows = {
      // Empty values as the engine stores them; every other column NULL.
      {{"id", Stored<int32_t>(5)}, {"text", ""}, {"memo", ""}, {"binary", ""}},
      {{"id", Stored<int32_t>(INT32_MAX)}, {"text", Cp1250("  Žluťoučký kůň, \"uvozovky\"")},
       {"fixed", "a, b"}, {"day", Stored<int32_t>(3652059)}, {"memo", memo},
       {"formatted", Cp1250("{\\rtf1 tučně}\r\n")}, {"binary", everyByte}, {"picture", std::string("\0\xFF\0", 3)},
       {"yes", Stored<int16_t>(1)}, {"small", Stored<int16_t>(INT16_MAX)}, {"whole", Stored<int32_t>(INT32_MAX)},
       {"real", Stored(Double::max())}, {"price", Stored(12.5)},
       {"units", StoredFixed((INT64_MAX - 9) / 10, 0)}, {"cents", StoredFixed(-1250, 2)},
       {"fine", StoredFixed(10000, 4)}, {"raw", std::string(16, '\xFF')}, {"clock", Stored<int32_t>(86399999)},
       {"moment", StoredTimestamp(3652059, 86399999)}, {"word", Stored<uint16_t>(UINT16_MAX)},
       {"unsigned", Stored<uint32_t>(UINT32_MAX)}, {"extended", StoredExtended(Extended::max())},
       {"varying", std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8)}},
      {{"id", Stored<int32_t>(1)}, {"text", "x"}, {"fixed", "\xE8"}, {"day", Stored<int32_t>(1)},
       // Every byte of the code page, the zero byte too, in a text.
       {"memo", Cp1250("jeden řádek")}, {"formatted", everyByte}, {"binary", std::string(1, '\0')}, {"yes", Stored<int16_t>(0)},
       {"small", Stored<int16_t>(INT16_MIN)}, {"whole", Stored<int32_t>(INT32_MIN)},
       {"real", Stored(Double::denorm_min())}, {"price", Stored(0.125)},
       {"units", StoredFixed(-(INT64_MAX - 9) / 10, 0)}, {"cents", StoredFixed(1, 2)}, {"fine", StoredFixed(-1, 4)},
       {"raw", std::string(16, '\0')}, {"clock", Stored<int32_t>(0)}, {"moment", StoredTimestamp(1, 0)},
       {"word", Stored<uint16_t>(0)}, {"unsigned", Stored<uint32_t>(0)},
       {"extended", StoredExtended(Extended::denorm_min())}, {"varying", std::string(8, '\0')}},
  };
  // Floats at their edges, three to a record.
  const struct {
    double Real, Price;
    long double Extended;
  } floats[] = {
      {-0.0, -0.0, -0.0L},
      {0.1 + 0.2, 1e20, 0.1L},
      {123456789.123456789, 3.0, 1.0L / 3},
      {Double::infinity(), -Double::infinity(), Extended::infinity()},
      {-Double::infinity(), nan, -Extended::infinity()},
      {nan, Double::min(), Extended::quiet_NaN()},
      {Double::lowest(), 1e-7, Extended::min()},
      {Double::min(), 0.1, Extended::lowest()},
  };
  int32_t id = 100;
  for (const auto& f : floats)
    rows.push_back({{"id", Stored<int32_t>(id++)}, {"real", Stored(f.Real)}, {"price", Stored(f.Price)},
                    {"extended", StoredExtended(f.Extended)}});
  return rows;
}

// The columns the table is made with: every one, or those the SQL dialect can declare.
inline std::vector<TEveryTypeColumn> ColumnsOf(bool sqlDeclaredOnly) {
  const std::vector<TEveryTypeColumn>& all = EveryTypeColumns();
  return {all.begin(), sqlDeclaredOnly ? all.begin() + kSqlDeclaredColumns : all.end()};
}

// Makes the table, empty or with EveryTypeRows.
inline void CreateEveryTypeTable(const std::string& directory, const std::string& table, bool sqlDeclaredOnly,
                                 bool withRows) {
  TTableDefinition definition;
  definition.Properties.Language = LanguageIdentifier("Czech");
  for (const TEveryTypeColumn& column : ColumnsOf(sqlDeclaredOnly))
    definition.Fields.Add(TFieldDefinition::Make(column.Name, column.Type, column.Size, column.Subtype, column.Scale));
  TDataSession session;
  TDataCursor cursor(*session.OpenDirectory("", directory));
  cursor.SetTableName(table);
  cursor.CreateTable(definition, false);
  if (!withRows) return;
  cursor.Open();
  cursor.SetUserRecordIds(true);
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  for (const TStoredRow& row : EveryTypeRows()) {
    cursor.InitRecord(record.data());
    for (int n = 1; n <= cursor.TableFieldCount(); ++n) {
      const TFieldDefinition& field = cursor.TableField(n);
      const auto value = row.find(field.Name());
      if (value == row.end()) {
        cursor.PutTableField(n, record.data(), nullptr);
      } else if (field.Type() == TFieldType::Blob) {
        ASSERT_EQ(cursor.OpenTableBlob(n, record.data(), 1, TDataCursor::kBlobWrite), 0);
        ASSERT_EQ(cursor.WriteTableBlob(n, record.data(), static_cast<int32_t>(value->second.size()),
                                        reinterpret_cast<const uint8_t*>(value->second.data()), 0),
                  0);
      } else {
        std::vector<uint8_t> bytes(std::max<size_t>(field.StoredSize(), 4), 0);
        std::memcpy(bytes.data(), value->second.data(), value->second.size());
        cursor.PutTableField(n, record.data(), bytes.data());
      }
    }
    cursor.InsertRecord(record.data(), false);
  }
}

// Every record in natural order, each field as its stored bytes (a BLOB's content), NULL as none.
inline std::vector<std::vector<std::optional<std::string>>> StoredValues(const std::string& directory,
                                                                         const std::string& table) {
  TDataSession session;
  TDataCursor cursor(*session.OpenDirectory("", directory));
  cursor.SetTableName(table);
  cursor.SetReadOnly(true);
  cursor.Open();
  cursor.SelectIndex(TDataCursor::kNaturalOrder);
  std::vector<std::vector<std::optional<std::string>>> rows;
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.First();
  while (cursor.ReadNext(record.data()) == 0) {
    std::vector<std::optional<std::string>> row;
    for (int n = 1; n <= cursor.TableFieldCount(); ++n) {
      const TFieldDefinition& field = cursor.TableField(n);
      std::vector<uint8_t> value(std::max<size_t>(field.StoredSize(), 8), 0);
      if (cursor.GetTableField(n, record.data(), value.data())) {
        row.emplace_back();
      } else if (field.Type() == TFieldType::Blob) {
        const std::vector<uint8_t> content = cursor.ReadWholeTableBlob(n, record.data());
        row.emplace_back(std::string(content.begin(), content.end()));
      } else {
        row.emplace_back(std::string(value.begin(), value.begin() + (field.IsAutoIncrement() ? 4 : field.StoredSize())));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace sklad::testing
