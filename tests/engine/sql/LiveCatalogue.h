// A generated catalogue for the SQL tests: the program's record layout (issue p, section r, type
// and system codes, name, directory, web link, memo popis) in Czech, with indexes on p, r and
// name, created through the directory and filled through the cursor; and a model of its rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

constexpr uint16_t kCzechLanguage = 1029;
constexpr const char* kCatalogueTable = "t";
enum CatalogueField { kP = 1, kR, kTyp, kOs, kName, kSrc, kInet, kPopis };
constexpr int kByP = 1, kByR = 2, kByName = 3;

struct CatalogueRow {
  std::string p, r, typ, os, name, src, inet, popis;
};

inline CatalogueRow GeneratedRow(int i) {
  static const char* const kLetters[] = {"N", "M", "C", "G", "F", "K", "X", "O", "R", "A"};
  // Code page 1250 words, Czech letters included.
  static const char* const kWords[] = {"\xC8" "e\x9A" "tina", "editor", "Hra", "\x9A" "achy",
                                       "Ovlada\xE8", "\xFA\xE8" "etnictv\xED", "Zip", "\x9E" "urn\xE1" "l"};
  CatalogueRow row;
  const int issue = i % 12 + 1;
  row.p = (i % 3 == 0 && issue < 10 ? "0" : "") + std::to_string(issue) + "/";
  row.r = std::to_string(i % 13 + 1);
  if (i % 4 == 0) {
    row.typ = kLetters[i % 10];
  } else {
    for (int bit = 0; bit < 5; ++bit) row.typ += ((i >> bit) + i / 7) % 3 == 0 ? '1' : '0';
  }
  for (int bit = 0; bit < 7; ++bit) row.os += ((i * 5 >> bit) % 2) ? '1' : '0';
  row.name = std::string(kWords[i % 8]) + " " + std::to_string(i);
  row.src = "\\SW\\" + std::to_string(i % 50);
  row.inet = i % 5 == 0 ? "" : "http://example.cz/" + std::to_string(i);
  row.popis = i % 6 == 0 ? "" : "Popis programu " + std::string(kWords[(i + 3) % 8]);
  return row;
}

inline TTableDefinition CatalogueTableDefinition() {
  TTableDefinition definition;
  definition.Properties.Language = kCzechLanguage;
  definition.Fields.Add(TFieldDefinition::Make("p", TFieldType::String, 10));
  definition.Fields.Add(TFieldDefinition::Make("r", TFieldType::String, 3));
  definition.Fields.Add(TFieldDefinition::Make("typ", TFieldType::String, 8));
  definition.Fields.Add(TFieldDefinition::Make("os", TFieldType::String, 8));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 60));
  definition.Fields.Add(TFieldDefinition::Make("src", TFieldType::String, 60));
  definition.Fields.Add(TFieldDefinition::Make("inet", TFieldType::String, 80));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  for (auto [name, field] : {std::pair{"ByP", kP}, std::pair{"ByR", kR}, std::pair{"ByName", kName}}) {
    TIndexDefinition index;
    index.SetName(name);
    index.SetFieldNumber(0, static_cast<uint16_t>(field));
    definition.Secondary.Add(index);
  }
  return definition;
}

// Stores one row through a cursor on the table.
inline void InsertRow(TDataCursor& cursor, const CatalogueRow& row) {
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  cursor.InitRecord(record.data());
  const std::string* texts[] = {&row.p, &row.r, &row.typ, &row.os, &row.name, &row.src, &row.inet};
  for (int n = kP; n <= kInet; ++n)
    cursor.PutField(n, record.data(), reinterpret_cast<const uint8_t*>(texts[n - 1]->c_str()));
  if (!row.popis.empty()) {
    cursor.OpenBlob(kPopis, record.data(), 0, TDataCursor::kBlobWrite);
    cursor.WriteBlob(kPopis, record.data(), static_cast<int32_t>(row.popis.size()),
                     reinterpret_cast<const uint8_t*>(row.popis.data()), 0);
  }
  cursor.InsertRecord(record.data(), false);
  if (!row.popis.empty()) cursor.CloseBlob(kPopis, record.data(), 0);
}

// Creates the catalogue table in the directory and stores `count` generated rows in it; answers
// the rows. The table is closed again when it returns.
inline std::vector<CatalogueRow> CreateCatalogue(TDataDirectory& directory, int count) {
  directory.CloseTable(directory.CreateTable(kCatalogueTable, false, CatalogueTableDefinition()));
  TDataCursor cursor(directory);
  cursor.SetTableName(kCatalogueTable);
  cursor.Open();
  std::vector<CatalogueRow> rows;
  for (int i = 0; i < count; ++i) {
    rows.push_back(GeneratedRow(i));
    InsertRow(cursor, rows.back());
  }
  return rows;
}

// A folder with the catalogue table of `count` generated rows, and a session on it.
class CatalogueDatabase {
 public:
  explicit CatalogueDatabase(int count) {
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    FRows = CreateCatalogue(*FDirectory, count);
  }

  TDataDirectory& Directory() { return *FDirectory; }
  const std::vector<CatalogueRow>& Rows() const { return FRows; }
  std::vector<CatalogueRow>& MutableRows() { return FRows; }

 private:
  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
  std::vector<CatalogueRow> FRows;
};

// A string field of the cursor's current record ("" when null).
inline std::string TextOf(TDataCursor& cursor, int fieldNo) {
  std::vector<uint8_t> value(static_cast<size_t>(cursor.GetFieldDefinition(fieldNo).StoredSize()) + 1, 0);
  if (cursor.GetField(fieldNo, cursor.CurrentRecord().data(), value.data())) return {};
  return reinterpret_cast<const char*>(value.data());
}

}  // namespace sklad::testing
