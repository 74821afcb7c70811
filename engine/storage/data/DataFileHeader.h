// TDataFileHeader: the 127-byte header at the start of a data file, kept as its stored bytes
// with typed accessors. Description and password are held as stored (scrambled in encrypted
// tables); TDataFile scrambles and unscrambles them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sklad {

class TDataFileHeader {
 public:
  static constexpr int kSize = 127;
  static constexpr uint8_t kFormatVersion = 4;
  static constexpr int64_t kEngineVersion = 21100;
  static constexpr int kDescriptionSlot = 51;
  static constexpr int kPasswordSlot = 16;

  TDataFileHeader() { Clear(); }
  void Clear() { FBytes.fill(0); }

  int32_t ChangeCounter() const;
  void SetChangeCounter(int32_t value);
  int32_t BlobBlockSize() const;
  void SetBlobBlockSize(int32_t value);
  uint8_t Version() const { return FBytes[kVersionAt]; }
  void SetVersion(uint8_t version) { FBytes[kVersionAt] = version; }
  int32_t FirstFreeRecord() const;
  void SetFirstFreeRecord(int32_t number);
  int32_t NextRecordNumber() const;
  void SetNextRecordNumber(int32_t number);
  int32_t LastAutoIncrement() const;
  void SetLastAutoIncrement(int32_t value);
  uint16_t RecordSize() const;
  void SetRecordSize(uint16_t size);
  uint16_t FieldCount() const;
  void SetFieldCount(uint16_t count);
  uint16_t BlobFieldCount() const;
  void SetBlobFieldCount(uint16_t count);
  double LastWriteTime() const;
  void SetLastWriteTime(double dateTime);
  bool Encrypted() const { return FBytes[kEncryptedAt] != 0; }
  void SetEncrypted(bool encrypted) { FBytes[kEncryptedAt] = encrypted ? 1 : 0; }
  uint16_t Language() const;
  void SetLanguage(uint16_t language);
  uint16_t Sort() const;
  void SetSort(uint16_t sort);
  uint16_t UserMajorVersion() const;
  void SetUserMajorVersion(uint16_t version);
  uint16_t UserMinorVersion() const;
  void SetUserMinorVersion(uint16_t version);
  bool Modified() const { return FBytes[kModifiedAt] != 0; }
  void SetModified(bool modified) { FBytes[kModifiedAt] = modified ? 1 : 0; }
  int32_t LastBlobId() const;
  void SetLastBlobId(int32_t id);
  int64_t EngineVersion() const;
  void SetEngineVersion(int64_t version);

  // The description and password slots: length byte, then the characters as stored.
  uint8_t* DescriptionSlot() { return &FBytes[kDescriptionAt]; }
  const uint8_t* DescriptionSlot() const { return &FBytes[kDescriptionAt]; }
  uint8_t* PasswordSlot() { return &FBytes[kPasswordAt]; }
  const uint8_t* PasswordSlot() const { return &FBytes[kPasswordAt]; }

  uint8_t* Bytes() { return FBytes.data(); }
  const uint8_t* Bytes() const { return FBytes.data(); }

 private:
  static constexpr int kChangeCounterAt = 0, kBlobBlockSizeAt = 4, kVersionAt = 8;
  static constexpr int kFirstFreeAt = 9, kNextRecordAt = 13, kLastAutoIncrementAt = 17;
  static constexpr int kRecordSizeAt = 21, kFieldCountAt = 23, kBlobFieldCountAt = 25;
  static constexpr int kLastWriteTimeAt = 27, kDescriptionAt = 35, kEncryptedAt = 86;
  static constexpr int kPasswordAt = 87, kLanguageAt = 103, kSortAt = 105;
  static constexpr int kUserMajorAt = 107, kUserMinorAt = 109, kModifiedAt = 111;
  static constexpr int kLastBlobIdAt = 112, kEngineVersionAt = 116;

  template <typename T>
  T Get(int at) const;
  template <typename T>
  void Put(int at, T value);

  std::array<uint8_t, kSize> FBytes;
};

}  // namespace sklad
