#include "DataFileHeader.h"

#include "engine/storage/core/LittleEndian.h"

namespace sklad {

template <typename T>
T TDataFileHeader::Get(int at) const {
  return LoadLE<T>(&FBytes[at]);
}

template <typename T>
void TDataFileHeader::Put(int at, T value) {
  StoreLE(&FBytes[at], value);
}

int32_t TDataFileHeader::ChangeCounter() const { return Get<int32_t>(kChangeCounterAt); }
void TDataFileHeader::SetChangeCounter(int32_t value) { Put(kChangeCounterAt, value); }
int32_t TDataFileHeader::BlobBlockSize() const { return Get<int32_t>(kBlobBlockSizeAt); }
void TDataFileHeader::SetBlobBlockSize(int32_t value) { Put(kBlobBlockSizeAt, value); }
int32_t TDataFileHeader::FirstFreeRecord() const { return Get<int32_t>(kFirstFreeAt); }
void TDataFileHeader::SetFirstFreeRecord(int32_t number) { Put(kFirstFreeAt, number); }
int32_t TDataFileHeader::NextRecordNumber() const { return Get<int32_t>(kNextRecordAt); }
void TDataFileHeader::SetNextRecordNumber(int32_t number) { Put(kNextRecordAt, number); }
int32_t TDataFileHeader::LastAutoIncrement() const { return Get<int32_t>(kLastAutoIncrementAt); }
void TDataFileHeader::SetLastAutoIncrement(int32_t value) { Put(kLastAutoIncrementAt, value); }
uint16_t TDataFileHeader::RecordSize() const { return Get<uint16_t>(kRecordSizeAt); }
void TDataFileHeader::SetRecordSize(uint16_t size) { Put(kRecordSizeAt, size); }
uint16_t TDataFileHeader::FieldCount() const { return Get<uint16_t>(kFieldCountAt); }
void TDataFileHeader::SetFieldCount(uint16_t count) { Put(kFieldCountAt, count); }
uint16_t TDataFileHeader::BlobFieldCount() const { return Get<uint16_t>(kBlobFieldCountAt); }
void TDataFileHeader::SetBlobFieldCount(uint16_t count) { Put(kBlobFieldCountAt, count); }
double TDataFileHeader::LastWriteTime() const { return Get<double>(kLastWriteTimeAt); }
void TDataFileHeader::SetLastWriteTime(double dateTime) { Put(kLastWriteTimeAt, dateTime); }
uint16_t TDataFileHeader::Language() const { return Get<uint16_t>(kLanguageAt); }
void TDataFileHeader::SetLanguage(uint16_t language) { Put(kLanguageAt, language); }
uint16_t TDataFileHeader::Sort() const { return Get<uint16_t>(kSortAt); }
void TDataFileHeader::SetSort(uint16_t sort) { Put(kSortAt, sort); }
uint16_t TDataFileHeader::UserMajorVersion() const { return Get<uint16_t>(kUserMajorAt); }
void TDataFileHeader::SetUserMajorVersion(uint16_t version) { Put(kUserMajorAt, version); }
uint16_t TDataFileHeader::UserMinorVersion() const { return Get<uint16_t>(kUserMinorAt); }
void TDataFileHeader::SetUserMinorVersion(uint16_t version) { Put(kUserMinorAt, version); }
int32_t TDataFileHeader::LastBlobId() const { return Get<int32_t>(kLastBlobIdAt); }
void TDataFileHeader::SetLastBlobId(int32_t id) { Put(kLastBlobIdAt, id); }
int64_t TDataFileHeader::EngineVersion() const { return Get<int64_t>(kEngineVersionAt); }
void TDataFileHeader::SetEngineVersion(int64_t version) { Put(kEngineVersionAt, version); }

}  // namespace sklad
