// The tables of the differential SQL test, made identically in a Sklad database and in an SQLite
// database from one deterministic generator: items (with NULLs in most columns), sections (with
// gaps in its keys, so that joins leave rows unmatched on both sides), tags (many per item, some
// naming no item) and scratch (a copy of the first items, for data-changing statements).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/data/DateTimeValues.h"

namespace sklad::testing {

struct TDate {
  int Year, Month, Day;
};
// One value of a generated row: NULL, an integer (also booleans), a float, a text or a date.
using TCellValue = std::variant<std::monostate, int64_t, double, std::string, TDate>;
using TGeneratedRow = std::vector<TCellValue>;

struct TGeneratedColumn {
  const char* Name;
  TFieldType Type;
  int Size;
  const char* SqliteType;
};

struct TGeneratedTable {
  std::string Name;
  std::vector<TGeneratedColumn> Columns;
  std::vector<std::vector<int>> Indexes;  // the first is the primary index; field numbers
  std::vector<TGeneratedRow> Rows;
};

inline std::string DateText(const TDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
  return text;
}

// The generated tables; `items` rows in all.
inline std::vector<TGeneratedTable> DifferentialTables(int items) {
  static const char* const kWords[] = {"Zip", "editor", "Hra", "sachy", "Ovladac", "Kalkul",
                                       "archiv", "Prohlizec", "zip", "Editor", "Disk", "hra"};
  std::mt19937 random(20261210);
  auto draw = [&](uint32_t n) { return static_cast<int64_t>(random() % n); };
  const std::vector<TGeneratedColumn> itemColumns = {
      {"id", TFieldType::Integer, 0, "INTEGER"},  {"name", TFieldType::String, 20, "TEXT"},
      {"section", TFieldType::SmallInt, 0, "INTEGER"}, {"price", TFieldType::Float, 0, "REAL"},
      {"qty", TFieldType::Integer, 0, "INTEGER"}, {"day", TFieldType::Date, 0, "TEXT"},
      {"code", TFieldType::String, 6, "TEXT"},    {"active", TFieldType::Boolean, 0, "INTEGER"},
  };
  auto itemRow = [&](int id) {
    auto orNull = [&](uint32_t percent, TCellValue value) {
      return draw(100) < percent ? TCellValue{} : std::move(value);
    };
    std::string code;
    for (int i = 0; i < 3; ++i) code += "abcABC"[draw(6)];
    const int32_t day = DayNumber({2000, 1, 1}) + static_cast<int32_t>(draw(3000));
    const TCalendarDate date = DecodeDayNumber(day);
    return TGeneratedRow{int64_t{id},
                         std::string(kWords[draw(12)]) + " " + std::to_string(draw(500)),
                         orNull(3, draw(50)),
                         orNull(5, static_cast<double>(draw(400)) * 0.25 - 20),
                         orNull(4, draw(200) - 50),
                         orNull(5, TDate{date.Year, date.Month, date.Day}),
                         orNull(10, code),
                         int64_t{draw(3) == 0}};
  };
  TGeneratedTable itemTable{"items", itemColumns, {{1}, {3}, {5}}, {}};
  for (int id = 1; id <= items; ++id) itemTable.Rows.push_back(itemRow(id));
  TGeneratedTable scratch{"scratch", itemColumns, {{1}}, {}};
  scratch.Rows.assign(itemTable.Rows.begin(), itemTable.Rows.begin() + std::min(items, 400));

  TGeneratedTable sections{"sections",
                           {{"id", TFieldType::Integer, 0, "INTEGER"},
                            {"title", TFieldType::String, 20, "TEXT"},
                            {"kind", TFieldType::SmallInt, 0, "INTEGER"},
                            {"rank", TFieldType::Integer, 0, "INTEGER"}},
                           {{1}},
                           {}};
  for (int id = 1; id <= 60; ++id)
    if (id % 4 != 0) sections.Rows.push_back({int64_t{id}, "Sekce " + std::to_string(id), int64_t{id % 5}, int64_t{100 - id}});

  TGeneratedTable tags{"tags",
                       {{"item", TFieldType::Integer, 0, "INTEGER"},
                        {"tag", TFieldType::String, 10, "TEXT"},
                        {"weight", TFieldType::SmallInt, 0, "INTEGER"}},
                       {{}, {1}},
                       {}};
  for (int i = 0; i < items * 5 / 6; ++i)
    tags.Rows.push_back({draw(static_cast<uint32_t>(items) + items / 15) + 1, std::string(kWords[draw(12)]),
                         draw(10) == 0 ? TCellValue{} : TCellValue{draw(10)}});
  return {itemTable, sections, tags, scratch};
}

// Creates the table in the Sklad directory (no language: strings compare as bytes, as SQLite's
// BINARY collation does) and stores its rows through a cursor.
inline void CreateSkladTable(TDataDirectory& directory, const TGeneratedTable& table) {
  TTableDefinition definition;
  for (const TGeneratedColumn& column : table.Columns)
    definition.Fields.Add(TFieldDefinition::Make(column.Name, column.Type, column.Size));
  for (size_t i = 0; i < table.Indexes.size(); ++i) {
    if (table.Indexes[i].empty()) continue;
    TIndexDefinition index;
    for (size_t f = 0; f < table.Indexes[i].size(); ++f)
      index.SetFieldNumber(static_cast<int>(f), static_cast<uint16_t>(table.Indexes[i][f]));
    index.SetFieldCount(static_cast<uint8_t>(table.Indexes[i].size()));
    if (i == 0) {
      definition.Primary = index;
    } else {
      index.SetName("By" + std::string(table.Columns[static_cast<size_t>(table.Indexes[i][0] - 1)].Name));
      definition.Secondary.Add(index);
    }
  }
  directory.CloseTable(directory.CreateTable(table.Name, false, definition));
  TDataCursor cursor(directory);
  cursor.SetTableName(table.Name);
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  for (const TGeneratedRow& row : table.Rows) {
    cursor.InitRecord(record.data());
    for (size_t c = 0; c < row.size(); ++c) {
      const int fieldNo = static_cast<int>(c) + 1;
      const TFieldType type = table.Columns[c].Type;
      std::vector<uint8_t> value(8, 0);
      if (const auto* n = std::get_if<int64_t>(&row[c])) {
        if (type == TFieldType::Integer) {
          const auto v = static_cast<int32_t>(*n);
          std::memcpy(value.data(), &v, sizeof v);
        } else {
          const auto v = static_cast<int16_t>(*n);
          std::memcpy(value.data(), &v, sizeof v);
        }
      } else if (const auto* f = std::get_if<double>(&row[c])) {
        std::memcpy(value.data(), f, sizeof *f);
      } else if (const auto* s = std::get_if<std::string>(&row[c])) {
        value.assign(s->begin(), s->end());
        value.push_back(0);
      } else if (const auto* d = std::get_if<TDate>(&row[c])) {
        const int32_t day = DayNumber({d->Year, d->Month, d->Day});
        std::memcpy(value.data(), &day, sizeof day);
      }
      cursor.PutField(fieldNo, record.data(), std::holds_alternative<std::monostate>(row[c]) ? nullptr : value.data());
    }
    cursor.InsertRecord(record.data(), false);
  }
}

inline void CreateSqliteTable(sqlite3* db, const TGeneratedTable& table) {
  std::string create = "CREATE TABLE " + table.Name + " (";
  std::string insert = "INSERT INTO " + table.Name + " VALUES (";
  for (size_t c = 0; c < table.Columns.size(); ++c) {
    create += std::string(c ? ", " : "") + table.Columns[c].Name + " " + table.Columns[c].SqliteType;
    insert += c ? ", ?" : "?";
  }
  create += ")";
  insert += ")";
  sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr);
  for (const TGeneratedRow& row : table.Rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      const int at = static_cast<int>(c) + 1;
      if (const auto* n = std::get_if<int64_t>(&row[c])) sqlite3_bind_int64(statement, at, *n);
      else if (const auto* f = std::get_if<double>(&row[c])) sqlite3_bind_double(statement, at, *f);
      else if (const auto* s = std::get_if<std::string>(&row[c])) sqlite3_bind_text(statement, at, s->c_str(), -1, SQLITE_TRANSIENT);
      else if (const auto* d = std::get_if<TDate>(&row[c])) sqlite3_bind_text(statement, at, DateText(*d).c_str(), -1, SQLITE_TRANSIENT);
      else sqlite3_bind_null(statement, at);
    }
    sqlite3_step(statement);
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace sklad::testing
