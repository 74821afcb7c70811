// Catalogue tables for tests of the program's windows, made through the engine as a volume is
// made: CREATE TABLE with the catalogue's columns in Czech, then each record with its memo
// inserted through a cursor, texts stored in code page 1250.
#pragma once

#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "platform/locale/CodePage.h"
#include "tools/volume/SyntheticCatalogue.h"

#include <array>
#include <string>
#include <vector>

namespace rejstrik::testing {

using volume::TCatalogueRecord;

// Makes the table (the name in UTF-8) in the directory with the records; other columns than the
// catalogue's make a table the program cannot fully use (records then stay out).
inline void CreateCatalogueTable(const std::string& directory, const std::string& table,
                                 const std::vector<TCatalogueRecord>& records,
                                 std::string_view columns = volume::kCatalogueColumns) {
  const std::string name = platform::Utf8ToCodePage(table, 1250);
  sklad::TDataSession session;
  session.SetPrivateDirectory(directory);
  sklad::TDataDirectory* database = session.OpenDirectory("", directory);
  {
    sklad::TSqlStatement create(
        *database, "CREATE TABLE " + name + " (" + std::string(columns) + ", LANGUAGE Czech)");
    create.Prepare();
    create.Execute();
  }
  sklad::TDataCursor cursor(*database);
  cursor.SetTableName(name);
  cursor.Open();
  std::vector<uint8_t> buffer(static_cast<size_t>(cursor.RecordSize()));
  constexpr int MemoField = 8;
  for (const TCatalogueRecord& record : records) {
    cursor.InitRecord(buffer.data());
    const std::array<const std::string*, 7> texts = {&record.p,    &record.r,   &record.typ, &record.os,
                                                     &record.name, &record.src, &record.inet};
    for (int field = 1; field < MemoField; ++field) {
      if (texts[field - 1]->empty()) continue;
      const std::string text = platform::Utf8ToCodePage(*texts[field - 1], 1250);
      cursor.PutField(field, buffer.data(), reinterpret_cast<const uint8_t*>(text.c_str()));
    }
    if (!record.popis.empty()) {
      const std::string memo = platform::Utf8ToCodePage(record.popis, 1250);
      cursor.OpenBlob(MemoField, buffer.data(), 1, sklad::TDataCursor::kBlobWrite);
      cursor.WriteBlob(MemoField, buffer.data(), static_cast<int32_t>(memo.size()),
                       reinterpret_cast<const uint8_t*>(memo.data()), 0);
    }
    cursor.InsertRecord(buffer.data(), false);
  }
  cursor.Close();
}

}  // namespace rejstrik::testing
