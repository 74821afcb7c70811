// The consistency check of an opened data file: version, header texts, every field definition,
// the record size and the file size against the announced number of records; and the file size
// check before a write.
#include <cstdint>

#include "BcdValue.h"
#include "DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/language/LanguageSettings.h"
#include "RecordLayout.h"
#include "engine/storage/core/ShortString.h"
#include "ValueConversion.h"

namespace sklad {
namespace {

bool ValidTypeCode(uint8_t code) {
  return code >= static_cast<uint8_t>(TFieldType::String) && code <= static_cast<uint8_t>(TFieldType::VarBytes);
}

}  // namespace

void TDataFile::CheckConsistency() {
  try {
    if (FHeader.Version() != TDataFileHeader::kFormatVersion) RaiseEngineError(err::WrongVersion, FileName());
    if (!IsLanguageInstalled(FHeader.Language(), FHeader.Sort()))
      RaiseEngineError(err::LanguageDriverMissing, FileName());
    if (!ShortStringFits(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot) ||
        !ShortStringFits(FHeader.PasswordSlot(), TDataFileHeader::kPasswordSlot))
      RaiseCorrupt();
    if (FHeader.FieldCount() > kMaxFieldCount) RaiseCorrupt();
    CheckFieldDefinitions();
    CheckFileSize();
  } catch (...) {
    Close();
    throw;
  }
}

void TDataFile::CheckFieldDefinitions() {
  // The value texts are written in the table language's formats, as records are filled from them.
  TLocaleScope tableFormats(FHeader.Language(), FHeader.Sort());
  int64_t runningOffset = kFieldAreaAt;
  for (int i = 0; i < FFields.Count(); ++i) {
    TFieldDefinition& field = FFields[i];
    if (!ValidTypeCode(field.TypeCode()) || !field.ShortStringsFit()) RaiseCorrupt();
    const bool sized = HasDeclaredSize(field.Type());
    if (sized ? field.DeclaredSize() > kMaxDeclaredSize : field.DeclaredSize() != 0) RaiseCorrupt();
    field.DeriveStoredSize();

    const std::string name = field.Name();
    if (name.empty() || !ValidFirstNameCharacter(static_cast<uint8_t>(name.front())))
      RaiseCorrupt();
    for (int j = 0; j < FFields.Count(); ++j)
      if (j != i && (SameFieldName(FFields[j].Name(), name) || FFields[j].Number() == field.Number()))
        RaiseCorrupt();

    // Minimum, maximum and default are constants of the field's type, read with the table
    // language's settings ("DATE", "TIME" and "NOW" where the type takes them).
    for (const std::string& text : {field.Minimum(), field.Maximum(), field.Default()})
      if (!IsValidFieldText(field.Type(), field.StoredSize(), field.Scale(), text)) RaiseCorrupt();

    if (field.Scale() != 0 && (field.Type() != TFieldType::BCD || field.Scale() > kMaxBcdScale)) RaiseCorrupt();
    if (field.IsAutoIncrement()) {
      if (field.Offset() != kAutoIncrementAt) RaiseCorrupt();
    } else {
      if (field.Offset() != runningOffset) RaiseCorrupt();
      if (field.TakesRoom()) runningOffset += field.StoredSize() + 1;
    }
    if (field.Number() != i + 1) RaiseCorrupt();
  }
  if (runningOffset != FHeader.RecordSize()) RaiseCorrupt();
}

int64_t TDataFile::WholeRecordsInFile() {
  const int64_t recordBytes = GetSize() - DefinitionsEnd();
  const int64_t recordSize = FHeader.RecordSize();
  if (recordBytes < 0 || recordBytes % recordSize != 0) return -1;
  return recordBytes / recordSize;
}

void TDataFile::CheckFileSize() {
  if (WholeRecordsInFile() + 1 != FHeader.NextRecordNumber()) RaiseCorrupt();
}

void TDataFile::CheckRecordsBeforeWrite() {
  const int64_t records = WholeRecordsInFile();
  if (records < 0 || records + 1 < FHeader.NextRecordNumber()) RaiseEngineError(err::RecordBuffersCorrupt, FileName());
}

}  // namespace sklad
