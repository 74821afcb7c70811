#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

// Default texts convert into a buffer at least this large, whatever the field's stored size.
constexpr int kMinimumValueBuffer = 16;

// Case mapping of stored string values: the table's locale, US English without a language.
constexpr uint16_t kUsEnglish = 1033;

}  // namespace

// ---- Writing fields and preparing new records ----

void TDataCursor::ClearRecord(uint8_t* buffer) const { std::fill_n(buffer, FRecordSize, 0); }

void TDataCursor::PutTableField(int fieldNo, uint8_t* record, const uint8_t* value) const {
  const TFieldDefinition& field = TableField(fieldNo);
  // Checks that the field lies inside the record, as reading it does.
  GetTableField(fieldNo, record, nullptr);
  const int offset = field.Offset();
  if (field.IsAutoIncrement()) {
    if (value != nullptr) std::copy_n(value, 4, record + offset);
    return;
  }
  const int size = field.Type() == TFieldType::Blob ? 4 : field.StoredSize();
  uint8_t* at = record + offset + 1;
  std::fill_n(at, size, 0);
  if (value == nullptr) {
    record[offset] = 0;
    return;
  }
  switch (field.Type()) {
    case TFieldType::String: {
      const auto* characters = reinterpret_cast<const char*>(value);
      std::string text(characters, std::find(characters, characters + size, '\0'));
      text.erase(text.find_last_not_of(' ') + 1);
      text.resize(std::min<size_t>(text.size(), static_cast<size_t>(field.DeclaredSize())));
      const uint16_t language = FTable->Data().Language() == 0 ? kUsEnglish : FTable->Data().Language();
      if (field.Casing() == casing::Upper) ToUpperCase(language, FTable->Data().Sort(), text);
      if (field.Casing() == casing::Lower) ToLowerCase(language, FTable->Data().Sort(), text);
      std::copy(text.begin(), text.end(), at);
      record[offset] = text.empty() ? 0 : 1;
      return;
    }
    case TFieldType::Blob:
      std::copy_n(value, 4, at);
      record[offset] = LoadLE<int32_t>(value) > 0 ? 1 : 0;
      return;
    case TFieldType::Boolean:
      StoreLE<int16_t>(at, LoadLE<int16_t>(value) != 0 ? 1 : 0);
      record[offset] = 1;
      return;
    default:
      std::copy_n(value, size, at);
      record[offset] = 1;
  }
}

void TDataCursor::InitRecord(uint8_t* buffer) const {
  ClearRecord(buffer);
  const bool hasDefaults = std::ranges::any_of(FFields, [](const TFieldDefinition& field) {
    return !field.IsAutoIncrement() && !field.Default().empty();
  });
  if (!hasDefaults) return;
  TLocaleScope locale(FTable->Data().Language(), FTable->Data().Sort());
  const TLocalMoment now = LocalNow();
  for (int n = 1; n <= FFields.Count(); ++n) {
    const TFieldDefinition& field = FFields[n - 1];
    const std::string text = field.Default();
    if (field.IsAutoIncrement() || text.empty()) continue;
    std::vector<uint8_t> value(static_cast<size_t>(std::max<int>(field.StoredSize(), kMinimumValueBuffer)), 0);
    ConvertFieldText(field.Type(), field.StoredSize(), field.Scale(), text, value, now);
    PutTableField(n, buffer, value.data());
  }
}

int TDataCursor::CopyCurrentRecord(uint8_t* buffer) {
  return Reading([&] {
    if (FAtBeginning && FAtEnd) return cursor_status::NoCurrentRecord;
    LoadCurrentRecord(1);
    if (buffer == nullptr) return cursor_status::Ok;
    ClearRecord(buffer);
    for (int n = 1; n <= FFields.Count(); ++n) {
      const TFieldDefinition& field = FFields[n - 1];
      // BLOB values are copied once BLOB values are written through the cursor.
      if (field.Type() == TFieldType::Blob || (field.IsAutoIncrement() && !FUserRecordIds)) continue;
      std::vector<uint8_t> value(static_cast<size_t>(std::max<int>(field.StoredSize(), 4)), 0);
      if (!GetTableField(n, FCurrentRecord.data(), value.data())) PutTableField(n, buffer, value.data());
    }
    return cursor_status::Ok;
  });
}

}  // namespace sklad
