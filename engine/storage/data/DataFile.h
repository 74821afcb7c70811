// TDataFile: the data file of a table (".DAT"): the 127-byte header, the field definitions, and
// the records behind them through the record cache. It creates, reads, writes and checks the
// header and definitions, scrambles what encrypted tables keep scrambled, and answers the
// table's properties.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DataFileHeader.h"
#include "DataFileOwner.h"
#include "FieldDefinition.h"
#include "engine/storage/file/FileHandler.h"
#include "RecordCache.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

// The properties of a new table.
struct TTableProperties {
  uint16_t Language = 0;
  uint16_t Sort = 0;
  uint16_t UserMajorVersion = 0;
  uint16_t UserMinorVersion = 0;
  bool Encrypted = false;
  std::string Password;     // up to 15 characters, kept only when encrypted
  std::string Description;  // up to 50 characters
  int32_t BlobBlockSize = 0;
};

class TDataFile : public TFileHandler {
 public:
  static constexpr int64_t kHeaderSize = TDataFileHeader::kSize;
  static constexpr int64_t kDefinitionSize = TFieldDefinition::kSize;
  static constexpr int kMaxPasswordLength = 15;
  static constexpr int kMaxDescriptionLength = 50;
  static constexpr int32_t kMinBlobBlockSize = 64;
  static constexpr int32_t kMaxBlobBlockSize = 65535;

  // 0 (the default size) or 64 to 65,535 bytes.
  static bool ValidBlobBlockSize(int32_t size);

  // Without an owner the file behaves as a table open exclusively with a primary key.
  TDataFile(std::string fileName, bool inMemory, TDataFileOwner* owner = nullptr);
  ~TDataFile() override;

  // Opens the file and reads header and definitions; on failure the file is closed again.
  void Open() override;
  // Drops the definitions and the cached records (unwritten changes are lost) and closes.
  void Close() override;
  // Builds header and definitions in memory and creates the file; they reach the disk with the
  // first header and definition writes.
  void Create(const TTableProperties& properties, const TSystemList<TFieldDefinition>& fields);

  void ReadHeader();
  // Compares the change counter on disk with ours; when they differ takes the new header.
  bool HeaderChanged();
  // Writes the header when forced or modified, with a new change counter and write time.
  void WriteHeader(bool force, bool flush = false);
  // A new change counter and the modified flag, without writing (inside transactions).
  void MarkHeaderChanged();
  // The in-memory header has changes to write.
  void MarkHeaderModified() { FHeader.SetModified(true); }
  void ReadFieldDefinitions();
  void WriteFieldDefinitions();
  // Cuts the file after its definitions and starts the records again at number 1; cached
  // records are dropped.
  void Empty();
  // The records were rewritten in place as 1..count: cuts the file after them, sets the next
  // record number and leaves no free records; cached records are dropped.
  void TakeRewrittenRecords(int32_t count);
  // The consistency check of a table's first open in the process; on failure the file is
  // closed and the error passes on.
  void CheckConsistency();
  // Before a write: a file that ends inside a record or before the last record its header
  // announces raises 8962. Compares the header with the file's size.
  void CheckRecordsBeforeWrite();

  int FieldCount() const { return FFields.Count(); }
  int RecordSize() const { return FHeader.RecordSize(); }
  int BlobFieldCount() const { return FHeader.BlobFieldCount(); }
  // 512 when the header says 0.
  int32_t BlobBlockSize() const;
  uint16_t Language() const { return FHeader.Language(); }
  uint16_t Sort() const { return FHeader.Sort(); }
  uint16_t UserMajorVersion() const { return FHeader.UserMajorVersion(); }
  uint16_t UserMinorVersion() const { return FHeader.UserMinorVersion(); }
  int32_t LastAutoIncrement() const { return FHeader.LastAutoIncrement(); }
  void SetLastAutoIncrement(int32_t value);
  // The next auto-increment value (1 first; after 2,147,483,647 it starts again at 1).
  int32_t NextAutoIncrement();
  // The value NextAutoIncrement would hand out, without handing it out.
  int32_t FollowingAutoIncrement() const;
  // The next BLOB identifier, counted the same way.
  int32_t NextBlobId();
  int32_t NextRecordNumber() const { return FHeader.NextRecordNumber(); }
  int32_t FirstFreeRecord() const { return FHeader.FirstFreeRecord(); }
  // Records in the file, deleted slots included.
  int32_t RecordCount() const { return FHeader.NextRecordNumber() - 1; }
  bool Encrypted() const { return FHeader.Encrypted(); }
  std::string Description() const;
  // Empty when the table is not encrypted.
  std::string Password() const;
  bool DefinitionsModified() const { return FDefinitionsModified; }

  // Field definitions by 0-based position; by field number or name (case-insensitive) nullptr
  // when there is none.
  const TFieldDefinition& Field(int index) const { return FFields[index]; }
  const TFieldDefinition* FieldByNumber(int number) const;
  const TFieldDefinition* FieldByName(std::string_view name) const;
  // Takes the alterable properties (name, subtype, description, required, minimum, maximum,
  // default) of the definition at that position.
  void UpdateFieldDefinition(int index, const TFieldDefinition& from);
  // Password and description (stored scrambled when encrypted), the last auto-increment value
  // and the user versions.
  void UpdateTableProperties(std::string_view password, std::string_view description, int32_t lastAutoIncrement,
                             uint16_t userMajorVersion, uint16_t userMinorVersion);
  // The in-memory header as it stands.
  const TDataFileHeader& Header() const { return FHeader; }

  TRecordCache& Records() { return FRecords; }
  TDataFileOwner& Owner() { return *FOwner; }
  // Where the definitions end and record 1 starts, and where a record starts; in 64 bits.
  int64_t DefinitionsEnd() const { return kHeaderSize + kDefinitionSize * FHeader.FieldCount(); }
  int64_t RecordOffset(int32_t number) const {
    return DefinitionsEnd() + (int64_t{number} - 1) * FHeader.RecordSize();
  }

 private:
  friend class TRecordCache;  // moves the next record number and the free-record list

  void ReadOpenedFile();
  void StoreProtectedTexts(std::string_view password, std::string_view description);
  [[noreturn]] void RaiseCorrupt() const;
  void CheckFieldDefinitions();
  void CheckFileSize();
  // The records the file holds after its definitions; -1 when it ends inside the definitions or
  // inside a record.
  int64_t WholeRecordsInFile();
  bool FlushWanted(bool flush) { return flush || FOwner->ForceBufferFlush(); }

  TStandaloneDataFileOwner FStandaloneOwner;
  TDataFileOwner* FOwner;
  TDataFileHeader FHeader;
  TSystemList<TFieldDefinition> FFields;
  bool FDefinitionsModified = false;
  TRecordCache FRecords;
};

}  // namespace sklad
