// Restructuring a table through the cursor: a new table is built under a temporary name (in the
// session's private directory, or in memory), every active record copied into it field by field
// with the expression language's conversions, and the new files put in place of the old ones
// with the old kept as backups until the swap has succeeded.
#include <algorithm>
#include <array>
#include <vector>

#include "DataCursor.h"
#include "DataCursorWriting.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/data/RecordLayout.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

// The refusals of the new table that leave one record out instead of ending the restructure.
bool RecordRefused(uint16_t code) {
  return code == err::DuplicateKey || code == err::TableFull || code == err::ValueRequired ||
         code == err::BelowMinimum || code == err::AboveMaximum;
}

// Whether two index definitions build the same keys in the same order.
bool SameIndex(const TIndexDefinition& a, const TIndexDefinition& b) {
  if (a.ListedFieldCount() != b.ListedFieldCount() || a.Unique() != b.Unique() ||
      a.Descending() != b.Descending() || a.CaseInsensitive() != b.CaseInsensitive() ||
      a.Compression() != b.Compression())
    return false;
  for (int i = 0; i < a.ListedFieldCount(); ++i)
    if (a.FieldNumber(i) != b.FieldNumber(i) || a.FieldDescending(i) != b.FieldDescending(i)) return false;
  return true;
}

// A directory opened for the restructure's new table, closed again however the restructure ends.
class TWorkDirectory {
 public:
  TWorkDirectory(TDataSession& session, bool inMemory)
      : FSession(session),
        FDirectory(inMemory ? session.OpenDirectory("MEMORY", {})
                            : session.OpenDirectory({}, session.TemporaryDirectory())) {}
  ~TWorkDirectory() { FSession.CloseDirectory(FDirectory); }
  TWorkDirectory(const TWorkDirectory&) = delete;
  TWorkDirectory& operator=(const TWorkDirectory&) = delete;
  TDataDirectory& operator*() const { return *FDirectory; }
  TDataDirectory* operator->() const { return FDirectory; }

 private:
  TDataSession& FSession;
  TDataDirectory* FDirectory;
};

}  // namespace

void TDataCursor::Restructure(TTableDefinition definition, int64_t lastAutoIncrement, bool keepBackup) {
  // The copy reads the table as it is stored: own field definitions, filters and a range belong
  // to the cursor, so it starts afresh.
  if (FActive) {
    CheckDefinable();
    Close();
  }
  Open();
  try {
    CheckDefinable();
  } catch (...) {
    Close();
    throw;
  }
  // The numbers the caller gave name the old fields; the check numbers the new ones by position.
  std::vector<int> sourceFields;
  for (const TFieldDefinition& field : definition.Fields) sourceFields.push_back(field.Number());
  ValidateTableDefinition(definition, DefinitionCheckOptions(), lastAutoIncrement);
  if (OnlyIndexesDiffer(definition)) {
    AdjustIndexes(definition);
    if (lastAutoIncrement != -1) {
      Writing([&] {
        FTable->Data().SetLastAutoIncrement(static_cast<int32_t>(lastAutoIncrement));
        CommitChange(true, false, false);
      });
    }
    return;
  }

  TWorkDirectory work(FDirectory.Session(), FInMemory);
  // The name is taken by creating its data file exclusively: no other user can have it too.
  const std::string workName = work->TemporaryTableName();
  try {
    work->CloseTable(work->CreateTable(workName, FInMemory, definition));
    TDataCursor target(*work);
    target.SetTableName(workName);
    target.SetInMemory(FInMemory);
    target.SetExclusive(true);
    target.Open();
    target.SetUserRecordIds(true);
    CopyRecordsInto(target, sourceFields);
    target.Table()->Data().SetLastAutoIncrement(
        static_cast<int32_t>(lastAutoIncrement == -1 ? FTable->Data().LastAutoIncrement() : lastAutoIncrement));
    target.Close();
    Close();
    FDirectory.ReplaceTable(FTableName, FInMemory, *work, workName, keepBackup);
  } catch (...) {
    try {
      if (work->TableExists(workName, FInMemory)) work->DeleteTable(workName, FInMemory);
      Open();
    } catch (const ESkladEngineError&) {
      // The restructure's own failure is the one to report.
    }
    throw;
  }
  Open();
}

bool TDataCursor::OnlyIndexesDiffer(const TTableDefinition& definition) const {
  const TDataFile& data = FTable->Data();
  const TTableProperties& properties = definition.Properties;
  if (properties.Language != data.Language() || properties.Sort != data.Sort() ||
      properties.BlobBlockSize != data.Header().BlobBlockSize() || properties.Encrypted != data.Encrypted() ||
      properties.Password != data.Password() || properties.Description != data.Description() ||
      properties.UserMajorVersion != data.UserMajorVersion() || properties.UserMinorVersion != data.UserMinorVersion() ||
      definition.Fields.Count() != data.FieldCount())
    return false;
  for (int i = 0; i < data.FieldCount(); ++i)
    if (!std::equal(data.Field(i).Bytes(), data.Field(i).Bytes() + TFieldDefinition::kSize,
                    definition.Fields[i].Bytes()))
      return false;
  return true;
}

void TDataCursor::AdjustIndexes(const TTableDefinition& definition) {
  const TIndexFile& file = FTable->Index();
  // The primary index: no key fields means none.
  const bool hadPrimary = !file.NoPrimaryKey();
  const bool wantsPrimary = definition.Primary.ListedFieldCount() > 0;
  if (hadPrimary != wantsPrimary ||
      (hadPrimary && !SameIndex(file.Definition(TIndexFile::kPrimarySlot), definition.Primary))) {
    if (hadPrimary) DeleteIndexByNumber(TIndexFile::kPrimarySlot, true);
    if (wantsPrimary) AddIndex(definition.Primary);
  }
  // Secondary indexes matched by name: gone or changed ones are deleted first, so that the
  // limit counts only what stays; then the new and changed ones are built.
  const auto same = [](const TIndexDefinition& a, const TIndexDefinition& b) {
    return SameFieldName(a.Name(), b.Name()) && SameIndex(a, b);
  };
  std::vector<const TIndexDefinition*> toAdd;
  for (const TIndexDefinition& wanted : definition.Secondary) {
    bool kept = false;
    for (int slot = 1; slot <= file.SecondaryCount(); ++slot) kept = kept || same(file.Definition(slot), wanted);
    if (!kept) toAdd.push_back(&wanted);
  }
  for (int slot = file.SecondaryCount(); slot >= 1; --slot) {
    const TIndexDefinition existing = file.Definition(slot);
    if (std::ranges::none_of(definition.Secondary, [&](const TIndexDefinition& wanted) { return same(existing, wanted); }))
      DeleteIndexByNumber(slot, false);
  }
  for (const TIndexDefinition* wanted : toAdd) AddIndex(*wanted);
}

void TDataCursor::CopyRecordsInto(TDataCursor& target, const std::vector<int>& sourceFields) {
  TLocaleScope locale(target.FTable->Data().Language(), target.FTable->Data().Sort());
  TRecordCache& records = FTable->Data().Records();
  const int32_t highest = FTable->Data().NextRecordNumber() - 1;
  std::vector<uint8_t> source(static_cast<size_t>(FRecordSize));
  std::vector<uint8_t> record(static_cast<size_t>(target.RecordSize()));
  for (int32_t number = 1; number <= highest; ++number) {
    TRecord* stored = records.GetRecord(number);
    if (stored == nullptr) RaiseEngineError(err::RecordBuffersCorrupt, FTableName);
    std::copy_n(stored->Bytes(), std::min<int>(stored->Size(), FRecordSize), source.begin());
    records.ReleaseRecord(stored);
    if (source[kRecordStateAt] != kRecordActive) continue;

    target.InitRecord(record.data());
    std::copy_n(source.begin() + kAutoIncrementAt, 4, record.begin() + kAutoIncrementAt);
    for (int field = 1; field <= target.FieldCount(); ++field) {
      const int from = sourceFields[static_cast<size_t>(field - 1)];
      if (from >= 1 && from <= FieldCount()) CopyValue(from, source.data(), target, field, record.data());
    }
    try {
      target.InsertRecord(record.data(), false);
    } catch (const ESkladEngineError& error) {
      if (!RecordRefused(error.Code()) || FRefuseRecordLoss) throw;
      target.FreeBlobBuffers(false);
    }
  }
}

void TDataCursor::CopyValue(int sourceField, uint8_t* source, TDataCursor& target, int targetField, uint8_t* record) {
  const TFieldDefinition& from = GetFieldDefinition(sourceField);
  const TFieldDefinition& to = target.GetFieldDefinition(targetField);
  if (from.Type() == TFieldType::Blob || to.Type() == TFieldType::Blob) {
    // BLOB values go only into BLOB fields; any other pairing is dropped.
    if (from.Type() == to.Type()) CopyBlob(sourceField, source, target, targetField, record);
    return;
  }
  std::array<uint8_t, 2 * (kMaxDeclaredSize + 1)> value{};
  if (GetField(sourceField, source, value.data())) {
    target.PutField(targetField, record, nullptr);
    return;
  }
  // A value the conversion refuses is dropped: the field keeps what the new record started with.
  try {
    if (!Convert(from.Type(), from.StoredSize(), from.Scale(), value, to.StoredSize(), to.Scale(), to.Type())) return;
  } catch (const ESkladEngineError& error) {
    if (error.Code() != err::InvalidConversion) throw;
    return;
  }
  target.PutField(targetField, record, value.data());
}

void TDataCursor::CopyBlob(int sourceField, uint8_t* source, TDataCursor& target, int targetField, uint8_t* record) {
  if (GetField(sourceField, source, nullptr)) {
    target.PutField(targetField, record, nullptr);
    return;
  }
  const std::vector<uint8_t> bytes = ReadWholeTableBlob(TableFieldNumber(sourceField), source);
  const auto check = [&](int code) {
    if (code != 0) RaiseEngineError(static_cast<uint16_t>(code), target.FTableName);
  };
  // The new value stays open in the target until its insert writes it.
  check(target.OpenBlob(targetField, record, 1, kBlobWrite));
  check(target.WriteBlob(targetField, record, static_cast<int32_t>(bytes.size()), bytes.data(), 0));
}

}  // namespace sklad
