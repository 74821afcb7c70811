// Small tables for the join and sub-select tests, created through the directory and filled through
// the cursor: columns of integer, float and string type ("" stands for NULL in a row), an optional
// primary key and secondary indexes; and the joined rows of a parsed SELECT read through
// TJoinedRows as text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/sql/JoinedRows.h"
#include "engine/sql/QueryStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

struct TestColumn {
  std::string Name;
  TFieldType Type = TFieldType::Integer;
  int Size = 0;  // strings
  uint8_t Subtype = subtype::None;  // an auto-increment integer numbers its rows itself
};

struct TestTable {
  std::string Name;
  std::vector<TestColumn> Columns;
  std::vector<std::vector<std::string>> Rows;
  int PrimaryKey = 0;              // field number of a primary key; 0 for none
  std::vector<int> IndexedFields;  // one secondary index each
};

// Departments 1..3 keyed by id, and employees with an index on their department: Dan has none,
// Eve's (9) does not exist.
inline TestTable DeptTable() {
  return {"dept", {{"id", TFieldType::Integer}, {"name", TFieldType::String, 10}}, {{"1", "Sales"}, {"2", "Dev"}, {"3", "Ops"}}, 1, {}};
}
inline TestTable EmpTable() {
  return {"emp",
          {{"id", TFieldType::Integer}, {"name", TFieldType::String, 10}, {"dept", TFieldType::Integer}},
          {{"1", "Ann", "1"}, {"2", "Bob", "2"}, {"3", "Cyd", "2"}, {"4", "Dan", ""}, {"5", "Eve", "9"}},
          0,
          {3}};
}

class JoinDatabase {
 public:
  explicit JoinDatabase(const std::vector<TestTable>& tables) {
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    for (const TestTable& table : tables) Create(table);
  }

  TDataDirectory& Directory() { return *FDirectory; }

  // Every joined row of the SELECT as "value|value|..." over the select list's plain columns
  // ("NULL" for a null value), in the order TJoinedRows gives them; usedIndex: whether a source
  // cursor was in an index's order while a row was read.
  std::vector<std::string> JoinedRows(const std::string& text, bool* usedIndex = nullptr) {
    std::vector<std::string> result;
    if (usedIndex) *usedIndex = false;
    WithJoinedRows(text, [&](TJoinedRows& rows, TDataQuery& query, std::vector<TQuerySource>& sources,
                             TSourceResolver& resolver) {
      while (rows.Next()) {
        std::string line;
        for (const TResultField& column : query.Columns) {
          TExpToken node;
          node.ColumnName = column.ColumnName;
          node.CorrelationName = column.CorrelationName;
          EXPECT_TRUE(resolver.Resolve(node)) << column.ColumnName;
          const TQuerySource& source = *std::ranges::find_if(
              sources, [&](const TQuerySource& s) { return s.Cursor.get() == node.Source; });
          if (!line.empty()) line += "|";
          line += ValueText(*source.Cursor, rows.Record(source), node.FieldNumber);
        }
        result.push_back(line);
        if (usedIndex)
          *usedIndex = std::ranges::any_of(sources, [](const TQuerySource& s) { return !s.Cursor->NaturalOrder(); });
      }
    });
    return result;
  }

  // The correlation name of the first table in join order.
  std::string LeaderOf(const std::string& text) {
    std::string leader;
    WithJoinedRows(text, [&](TJoinedRows& rows, auto&...) { leader = rows.Leader().Table->CorrelationName; });
    return leader;
  }

  // The leader's record changes counted while every row is read.
  int32_t LeaderRowsOf(const std::string& text) {
    int32_t count = 0;
    WithJoinedRows(text, [&](TJoinedRows& rows, auto&...) {
      while (rows.Next()) {
      }
      count = rows.LeaderRows();
    });
    return count;
  }

  static std::string ValueText(TDataCursor& cursor, const uint8_t* record, int fieldNo) {
    if (!record) return "NULL";
    uint8_t value[256] = {};
    if (cursor.GetTableField(fieldNo, record, value)) return "NULL";
    switch (cursor.TableField(fieldNo).Type()) {
      case TFieldType::Integer: {
        int32_t n;
        std::memcpy(&n, value, 4);
        return std::to_string(n);
      }
      case TFieldType::Float: {
        double d;
        std::memcpy(&d, value, 8);
        char text[32];
        std::snprintf(text, sizeof text, "%g", d);
        return text;
      }
      default: return reinterpret_cast<const char*>(value);
    }
  }

 private:
  // Parses the SELECT, opens its source tables, plans and starts the joined rows and hands them
  // to the body.
  template <class TBody>
  void WithJoinedRows(const std::string& text, TBody body) {
    TQueryStatement statement(0, 0);
    statement.Parse(text);
    TDataQuery& query = statement.Main();
    std::vector<TQuerySource> sources;
    for (auto& table : query.Sources) {
      TQuerySource source;
      source.Table = table.get();
      source.Cursor = std::make_unique<TDataCursor>(*FDirectory);
      source.Cursor->SetTableName(table->TableName);
      source.Cursor->SetReadOnly(true);
      source.Cursor->Open();
      sources.push_back(std::move(source));
    }
    TSourceResolver resolver(sources);
    TJoinedRows rows(query, sources, resolver, *FDirectory);
    rows.Plan();
    rows.Start(false);
    body(rows, query, sources, resolver);
    rows.Stop();
  }

  void Create(const TestTable& table) {
    TTableDefinition definition;
    for (const TestColumn& column : table.Columns)
      definition.Fields.Add(TFieldDefinition::Make(column.Name, column.Type, column.Size, column.Subtype));
    if (table.PrimaryKey) definition.Primary.SetFieldNumber(0, static_cast<uint16_t>(table.PrimaryKey));
    for (int field : table.IndexedFields) {
      TIndexDefinition index;
      index.SetName("By" + table.Columns[static_cast<size_t>(field - 1)].Name);
      index.SetFieldNumber(0, static_cast<uint16_t>(field));
      definition.Secondary.Add(index);
    }
    FDirectory->CloseTable(FDirectory->CreateTable(table.Name, false, definition));
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName(table.Name);
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    for (const auto& row : table.Rows) {
      cursor.InitRecord(record.data());
      for (size_t i = 0; i < row.size(); ++i) {
        const int fieldNo = static_cast<int>(i) + 1;
        if (table.Columns[i].Subtype == subtype::AutoIncrement) continue;
        if (row[i].empty()) {
          cursor.PutField(fieldNo, record.data(), nullptr);
          continue;
        }
        uint8_t value[256] = {};
        switch (table.Columns[i].Type) {
          case TFieldType::Integer: {
            const int32_t n = std::stoi(row[i]);
            std::memcpy(value, &n, 4);
            break;
          }
          case TFieldType::Float: {
            const double d = std::stod(row[i]);
            std::memcpy(value, &d, 8);
            break;
          }
          default: std::memcpy(value, row[i].data(), row[i].size());
        }
        cursor.PutField(fieldNo, record.data(), value);
      }
      cursor.InsertRecord(record.data(), false);
    }
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
};

}  // namespace sklad::testing
