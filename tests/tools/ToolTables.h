// What a table holds, read back through the engine for the tool tests: every active record in
// natural order with each field as UTF-8 text (null as no value), and the files a folder holds.
#pragma once

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/storage/DataDirectory.h"
#include "engine/storage/DataSession.h"
#include "engine/storage/LanguageSettings.h"
#include "engine/storage/ValueConversion.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"

namespace sklad::testing {

using TRow = std::vector<std::optional<std::string>>;

inline std::vector<TRow> ReadRows(const std::string& directory, const std::string& table) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("", directory);
  TDataCursor cursor(*database);
  cursor.SetTableName(table);
  cursor.SetReadOnly(true);
  cursor.Open();
  const uint16_t language = cursor.Table()->Data().Language();
  const int codePage = platform::AnsiCodePage(language);
  TLocaleScope formats(language, cursor.Table()->Data().Sort());
  std::vector<TRow> rows;
  cursor.First();
  while (cursor.ReadNext(nullptr) == cursor_status::Ok) {
    const std::vector<uint8_t>& record = cursor.CurrentRecord();
    TRow row;
    for (int fieldNo = 1; fieldNo <= cursor.TableFieldCount(); ++fieldNo) {
      const TFieldDefinition& field = cursor.TableField(fieldNo);
      std::vector<uint8_t> value(std::max<size_t>(field.StoredSize(), 64) + 1, 0);
      if (cursor.GetTableField(fieldNo, record.data(), value.data())) {
        row.emplace_back();
        continue;
      }
      std::string bytes;
      if (field.Type() == TFieldType::Blob) {
        const std::vector<uint8_t> blob = cursor.ReadWholeTableBlob(fieldNo, record.data());
        bytes.assign(blob.begin(), blob.end());
      } else {
        Convert(field.Type(), field.StoredSize(), field.Scale(), value, 64, 0, TFieldType::String);
        bytes = reinterpret_cast<const char*>(value.data());
      }
      row.push_back(platform::CodePageToUtf8(bytes, codePage));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// The names of the files in a folder.
inline std::set<std::string> FilesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename().string());
  return names;
}

}  // namespace sklad::testing
