#include "DataFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/storage/core/EngineError.h"
#include "FieldEncoding.h"
#include "RecordLayout.h"
#include "Scrambler.h"
#include "engine/storage/core/ShortString.h"

namespace sklad {
namespace {

constexpr int32_t kDefaultBlobBlockSize = 512;

// Unscrambles (or scrambles) the characters of a short-string slot, never past the slot.
void ScrambleShortString(uint8_t* slot, int slotSize) {
  Scramble(slot + 1, std::min<size_t>(slot[0], static_cast<size_t>(slotSize - 1)), kTextScrambleSeed);
}

// The characters of a slot whose characters are stored scrambled.
std::string ReadScrambledShortString(const uint8_t* slot, int slotSize) {
  std::vector<uint8_t> copy(slot, slot + slotSize);
  ScrambleShortString(copy.data(), slotSize);
  return ReadShortString(copy.data(), slotSize);
}

int32_t NextCounterValue(int32_t last) {
  return last == std::numeric_limits<int32_t>::max() ? 1 : last + 1;
}

}  // namespace

TDataFile::TDataFile(std::string fileName, bool inMemory, TDataFileOwner* owner)
    : TFileHandler(std::move(fileName), inMemory), FOwner(owner ? owner : &FStandaloneOwner), FRecords(*this) {}

TDataFile::~TDataFile() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close only fails for a file the registry no longer knows.
  }
}

void TDataFile::Open() {
  if (IsOpen()) return;
  TFileHandler::Open();
  try {
    ReadOpenedFile();
  } catch (...) {
    Close();
    throw;
  }
}

void TDataFile::ReadOpenedFile() {
  ReadHeader();
  // A record is at least its system part; a smaller size cannot be read safely.
  if (FHeader.FieldCount() > kMaxFieldCount || FHeader.RecordSize() < kFieldAreaAt) RaiseCorrupt();
  ReadFieldDefinitions();
  FRecords.Reset();
}

void TDataFile::Close() {
  if (IsOpen()) {
    FFields.Clear();
    FRecords.Empty();
  }
  TFileHandler::Close();
}

void TDataFile::RaiseCorrupt() const { RaiseEngineError(err::HeaderCorrupt, FileName()); }

void TDataFile::StoreProtectedTexts(std::string_view password, std::string_view description) {
  if (FHeader.Encrypted()) {
    WriteShortString(FHeader.PasswordSlot(), TDataFileHeader::kPasswordSlot, password);
    WriteShortString(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot, description);
    ScrambleShortString(FHeader.PasswordSlot(), TDataFileHeader::kPasswordSlot);
    ScrambleShortString(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot);
  } else {
    WriteShortString(FHeader.PasswordSlot(), TDataFileHeader::kPasswordSlot, {});
    WriteShortString(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot, description);
  }
}

bool TDataFile::ValidBlobBlockSize(int32_t size) {
  // A block counts its used bytes in 16 bits: larger blocks cannot be stored; a block smaller
  // than 64 bytes would be mostly its own header.
  return size == 0 || (size >= kMinBlobBlockSize && size <= kMaxBlobBlockSize);
}

void TDataFile::Create(const TTableProperties& properties, const TSystemList<TFieldDefinition>& fields) {
  FHeader.Clear();
  FHeader.SetLanguage(properties.Language);
  FHeader.SetSort(properties.Sort);
  FHeader.SetUserMajorVersion(properties.UserMajorVersion);
  FHeader.SetUserMinorVersion(properties.UserMinorVersion);
  FHeader.SetEncrypted(properties.Encrypted);
  StoreProtectedTexts(properties.Password, properties.Description);

  if (fields.Count() > kMaxFieldCount) RaiseEngineError(err::FieldLimits, FileName());
  FFields.Assign(fields);
  FHeader.SetFieldCount(static_cast<uint16_t>(fields.Count()));
  if (!ValidBlobBlockSize(properties.BlobBlockSize)) RaiseEngineError(err::BlobFieldLimits, FileName());
  FHeader.SetBlobBlockSize(properties.BlobBlockSize);
  int blobFields = 0;
  for (const TFieldDefinition& field : FFields)
    if (field.Type() == TFieldType::Blob && ++blobFields > kMaxBlobFieldCount)
      RaiseEngineError(err::BlobFieldLimits, FileName());
  FHeader.SetBlobFieldCount(static_cast<uint16_t>(blobFields));

  FHeader.SetVersion(TDataFileHeader::kFormatVersion);
  FHeader.SetFirstFreeRecord(0);
  FHeader.SetNextRecordNumber(1);
  FHeader.SetLastAutoIncrement(0);
  const int64_t recordSize = LayOutRecord(FFields);
  if (recordSize > kMaxRecordSize) RaiseEngineError(err::RecordSizeExceeded, FileName());
  FHeader.SetRecordSize(static_cast<uint16_t>(recordSize));

  FHeader.SetChangeCounter(0);
  FHeader.SetModified(true);
  FDefinitionsModified = true;
  FRecords.Empty();
  CreateNew();
  FRecords.Reset();
}

void TDataFile::ReadHeader() {
  ReadAt(0, FHeader.Bytes(), TDataFileHeader::kSize);
  FHeader.SetModified(false);
}

bool TDataFile::HeaderChanged() {
  TDataFileHeader onDisk;
  ReadAt(0, onDisk.Bytes(), TDataFileHeader::kSize);
  if (onDisk.ChangeCounter() == FHeader.ChangeCounter()) return false;
  FHeader = onDisk;
  FHeader.SetModified(false);
  return true;
}

void TDataFile::WriteHeader(bool force, bool flush) {
  if (!force && !FHeader.Modified()) return;
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  FHeader.SetEngineVersion(TDataFileHeader::kEngineVersion);
  FHeader.SetLastWriteTime(CurrentDateTimeValue());
  WriteAt(0, FHeader.Bytes(), TDataFileHeader::kSize);
  if (FlushWanted(flush)) Flush();
  FOwner->MarkWrittenTo();
  FHeader.SetModified(false);
}

void TDataFile::MarkHeaderChanged() {
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  FHeader.SetModified(true);
  FOwner->MarkWrittenTo();
}

void TDataFile::ReadFieldDefinitions() {
  const int count = FHeader.FieldCount();
  const size_t length = static_cast<size_t>(count) * TFieldDefinition::kSize;
  std::vector<uint8_t> area(length);
  if (length > 0) ReadAt(kHeaderSize, area.data(), static_cast<int32_t>(length));
  if (FHeader.Encrypted()) {
    // Files of older engines (engine version 0) scrambled only the low 16 bits of the length.
    const size_t scrambled = FHeader.EngineVersion() == 0 ? (length & 0xFFFF) : length;
    Scramble(area.data(), scrambled, kRecordScrambleSeed);
  }
  FFields.Clear();
  FFields.SetCapacity(count);
  for (int i = 0; i < count; ++i) {
    TFieldDefinition field;
    std::memcpy(field.Bytes(), area.data() + static_cast<size_t>(i) * TFieldDefinition::kSize, TFieldDefinition::kSize);
    FFields.Add(field);
  }
  FDefinitionsModified = false;
}

void TDataFile::WriteFieldDefinitions() {
  if (!FDefinitionsModified) return;
  const size_t length = static_cast<size_t>(FFields.Count()) * TFieldDefinition::kSize;
  std::vector<uint8_t> area(length);
  for (int i = 0; i < FFields.Count(); ++i)
    std::memcpy(area.data() + static_cast<size_t>(i) * TFieldDefinition::kSize, FFields[i].Bytes(), TFieldDefinition::kSize);
  if (FHeader.Encrypted()) Scramble(area.data(), length, kRecordScrambleSeed);
  if (length > 0) WriteAt(kHeaderSize, area.data(), static_cast<int32_t>(length));
  if (FlushWanted(false)) Flush();
  FDefinitionsModified = false;
}

void TDataFile::Empty() {
  FRecords.Empty();
  WriteAt(DefinitionsEnd(), nullptr, 0);
  if (FlushWanted(false)) Flush();
  FHeader.SetChangeCounter(0);
  FHeader.SetFirstFreeRecord(0);
  FHeader.SetNextRecordNumber(1);
  FHeader.SetLastAutoIncrement(0);
  FHeader.SetModified(true);
}

void TDataFile::TakeRewrittenRecords(int32_t count) {
  FRecords.Empty();
  WriteAt(RecordOffset(count + 1), nullptr, 0);
  if (FlushWanted(false)) Flush();
  FHeader.SetFirstFreeRecord(0);
  FHeader.SetNextRecordNumber(count + 1);
  FHeader.SetModified(true);
}

int32_t TDataFile::BlobBlockSize() const {
  const int32_t size = FHeader.BlobBlockSize();
  return size == 0 ? kDefaultBlobBlockSize : size;
}

void TDataFile::SetLastAutoIncrement(int32_t value) {
  FHeader.SetLastAutoIncrement(value);
  MarkHeaderModified();
}

int32_t TDataFile::FollowingAutoIncrement() const { return NextCounterValue(FHeader.LastAutoIncrement()); }

int32_t TDataFile::NextAutoIncrement() {
  const int32_t value = FollowingAutoIncrement();
  FHeader.SetLastAutoIncrement(value);
  MarkHeaderModified();
  return value;
}

int32_t TDataFile::NextBlobId() {
  const int32_t value = NextCounterValue(FHeader.LastBlobId());
  FHeader.SetLastBlobId(value);
  MarkHeaderModified();
  return value;
}

std::string TDataFile::Description() const {
  if (!FHeader.Encrypted()) return ReadShortString(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot);
  return ReadScrambledShortString(FHeader.DescriptionSlot(), TDataFileHeader::kDescriptionSlot);
}

std::string TDataFile::Password() const {
  if (!FHeader.Encrypted()) return {};
  return ReadScrambledShortString(FHeader.PasswordSlot(), TDataFileHeader::kPasswordSlot);
}

const TFieldDefinition* TDataFile::FieldByNumber(int number) const {
  for (const TFieldDefinition& field : FFields)
    if (field.Number() == number) return &field;
  return nullptr;
}

const TFieldDefinition* TDataFile::FieldByName(std::string_view name) const {
  for (const TFieldDefinition& field : FFields)
    if (SameFieldName(field.Name(), name)) return &field;
  return nullptr;
}

void TDataFile::UpdateFieldDefinition(int index, const TFieldDefinition& from) {
  FFields[index].UpdateAlterable(from);
  FDefinitionsModified = true;
}

void TDataFile::UpdateTableProperties(std::string_view password, std::string_view description,
                                      int32_t lastAutoIncrement, uint16_t userMajorVersion,
                                      uint16_t userMinorVersion) {
  StoreProtectedTexts(password, description);
  FHeader.SetLastAutoIncrement(lastAutoIncrement);
  FHeader.SetUserMajorVersion(userMajorVersion);
  FHeader.SetUserMinorVersion(userMinorVersion);
  MarkHeaderModified();
}

}  // namespace sklad
