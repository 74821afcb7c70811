// TDataTable: one open table, shared by every cursor of the process that opens it in the same
// directory. It owns the data, index and BLOB files and carries out the multi-user protocol on
// them: reader and writer locks, the transaction byte, record locks with retries, detection of
// other users' changes through the headers' change counters, flushing and transactions.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "engine/storage/blob/BlobFile.h"
#include "engine/storage/data/DataFile.h"
#include "engine/storage/data/DataFileOwner.h"
#include "engine/storage/index/IndexDefinition.h"
#include "engine/storage/index/IndexFile.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataDirectory;
class TDataSession;

struct TTableOpenOptions {
  bool Exclusive = false;
  bool ReadOnly = false;
  // The files are opened for reading only (and the table is read-only): for a user who may not
  // write them. A missing index file is then an error instead of being made anew.
  bool ForReading = false;
  uint8_t Options[2] = {0, 0};  // handed on to cursors
  bool DiscardOnClose = false;  // a temporary table's changes are dropped at close
};

// What FlushAll writes: every header is written when modified, or always when forced.
struct TFlushOptions {
  bool Shrink = false;
  bool ForceData = false;
  bool ForceIndex = false;
  bool ForceBlob = false;
  bool ToDisk = false;
};

// The definitions of a new table: fields, the primary index (no key fields: no primary key)
// and the secondary indexes.
struct TTableDefinition {
  TTableProperties Properties;
  TSystemList<TFieldDefinition> Fields;
  TIndexDefinition Primary;
  TSystemList<TIndexDefinition> Secondary;
};

class TDataTable final : public TDataFileOwner {
 public:
  // The name gets the extension ".DAT" whatever extension it had.
  TDataTable(TDataDirectory& directory, std::string_view name, bool inMemory);
  ~TDataTable() override;
  TDataTable(const TDataTable&) = delete;
  TDataTable& operator=(const TDataTable&) = delete;

  // Opens the three files (creating a missing index file empty and flagging it); sets the
  // reference count to 1. A failed open leaves the table closed.
  void Open(const TTableOpenOptions& options);
  // One cursor leaves; the last one (outside a transaction) writes or discards, releases every
  // lock and closes the files.
  void Close(bool discard = false);
  // Creates the files of a new table and opens it.
  void Create(const TTableDefinition& definition, const TTableOpenOptions& options);
  // The check of the first cursor's open: data file, index header (unless just recreated) and
  // BLOB header, under the cursor read lock.
  void CheckConsistency();

  // Cursor and query read locks, the write lock. The Begin calls answer whether another user
  // changed the table (the caches have then been emptied).
  bool BeginRead();
  void EndRead();
  bool BeginQueryRead();
  void EndQueryRead();
  bool BeginWrite();
  void EndWrite();
  // Answers whether the read lock taken first found another user's change.
  bool LockRecord(int32_t record);
  void UnlockRecord(int32_t record);
  // Every record lock of the process, or only those whose unlock waited for the transaction end.
  void ReleaseRecordLocks(bool deferredOnly = false);
  bool Refresh();
  void FlushAll(const TFlushOptions& options = {});
  void DiscardCaches(bool shrink, bool rereadHeaders);
  // After a cursor's change: an exclusive table marks the touched headers changed, a shared one
  // writes everything at once (inside the cursor's write lock).
  void ChangesMade(bool data, bool index, bool blob);

  void StartTransaction();
  void Commit();
  void CommitAndContinue();
  void Rollback();

  void Empty();
  void BackupIndex();
  void RestoreIndex(bool copyBack, bool deleteBackup);

  // TDataFileOwner
  bool BeginCacheMissRead() override { return BeginRead(); }
  bool StrictChangeDetection() const override;
  bool ForceBufferFlush() const override;
  bool Exclusive() const override { return FExclusive; }
  bool InTransaction() const override { return FInTransaction; }
  bool WrittenTo() const override { return FWrittenTo; }
  void MarkWrittenTo() override { FWrittenTo = true; }
  bool HasPrimaryKey() const override;

  TDataDirectory& Directory() const { return FDirectory; }
  TDataSession& Session() const;
  const std::string& Name() const { return FName; }
  bool InMemory() const { return FInMemory; }
  bool IsOpen() const { return FOpen; }
  bool ReadOnly() const { return FReadOnly; }
  bool FilesReadOnly() const { return FFilesReadOnly; }
  bool IndexRecreated() const { return FIndexRecreated; }
  // The cursor engine has rebuilt the index file made anew at open.
  void IndexRebuilt() { FIndexRecreated = false; }
  bool DiscardOnClose() const { return FDiscardOnClose; }
  const uint8_t* Options() const { return FOptions; }
  int References() const { return FReferences; }
  void AddReference() { ++FReferences; }
  bool HoldsTransactionByte() const { return FTransactionLockHeld; }
  bool HoldsWriteLock() const { return FWriteLockHeld; }
  bool HoldsReadLock() const { return FCursorReadHeld || FQueryReadHeld; }
  bool HasBlobFile() const;
  // Whether the session knows the password an encrypted table needs (always for a plain one).
  bool PasswordAvailable() const;

  TDataFile& Data() { return *FData; }
  TIndexFile& Index() { return *FIndex; }
  TBlobFile& Blob() { return *FBlob; }

  // The file name of the table with another extension (".IDX", ".IBK", ...).
  std::string FileName(std::string_view extension) const;

 private:
  struct TReaderSlots {
    uint16_t Index = 0;
    uint16_t Blob = 0;
  };

  bool ProtocolLocksSkipped() const { return FExclusive || FFilesReadOnly; }
  bool RecordLocksSkipped() const { return FFilesReadOnly || (FExclusive && !FTransactionLockHeld); }
  // Refuses a write (8962, 8965 or 8963) while the files are visibly inconsistent: a data file
  // that does not hold the whole records its header announces, an index or BLOB file shorter than
  // its header says. The sizes are compared once after each point where the files or headers may
  // have changed under this object (open, another user's change, re-read headers); between those
  // points only this object's own writes change the files, and they keep them whole. Every change
  // starts with BeginWrite, which checks, so every flush writes only checked changes; a flush
  // itself cannot compare sizes, as the headers then announce records, pages and blocks that are
  // still in the caches.
  void CheckFilesBeforeWrite();
  bool TakeReadLock(bool& held, TReaderSlots& slots);
  void ReleaseReadLock(bool& held, TReaderSlots& slots);
  void ReleaseTransactionByte();
  void OpenFiles();
  void CloseFiles();
  void ReleaseAllLocks();
  [[noreturn]] void Raise(uint16_t code) const;

  TDataDirectory& FDirectory;
  int FReferences = 0;
  std::string FName;
  bool FOpen = false;
  bool FExclusive = false;
  bool FReadOnly = false;
  bool FFilesReadOnly = false;
  bool FForReading = false;
  bool FInMemory;
  uint8_t FOptions[2] = {0, 0};
  bool FDiscardOnClose = false;
  std::unique_ptr<TDataFile> FData;
  std::unique_ptr<TIndexFile> FIndex;
  std::unique_ptr<TBlobFile> FBlob;
  bool FIndexRecreated = false;
  std::set<int32_t> FSystemLocks;    // records this process holds a file lock on
  std::set<int32_t> FCursorLocks;    // records locked by a cursor of this table
  std::set<int32_t> FDeferredUnlocks;  // unlocked inside the transaction, released at its end
  bool FQueryReadHeld = false;
  bool FCursorReadHeld = false;
  bool FWriteLockHeld = false;
  bool FWriteTookTransactionByte = false;
  TReaderSlots FCursorSlots;
  TReaderSlots FQuerySlots;
  bool FTransactionLockHeld = false;
  bool FInTransaction = false;
  bool FWrittenTo = false;
  bool FFileSizesChecked = false;  // see CheckFilesBeforeWrite
};

}  // namespace sklad
