#include "DataTable.h"

#include "DataDirectory.h"
#include "DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "TableLocks.h"
#include "TableNames.h"

namespace sklad {

TDataTable::TDataTable(TDataDirectory& directory, std::string_view name, bool inMemory)
    : FDirectory(directory), FName(WithExtension(TrimmedName(name), ".DAT")), FInMemory(inMemory) {}

TDataTable::~TDataTable() {
  try {
    Rollback();  // changes of an unfinished transaction are never written
    FReferences = 1;
    Close(true);
  } catch (...) {
    CloseFiles();  // a destructor cannot report; the files are closed all the same
  }
}

TDataSession& TDataTable::Session() const { return FDirectory.Session(); }
bool TDataTable::StrictChangeDetection() const { return Session().StrictChangeDetection; }
bool TDataTable::ForceBufferFlush() const { return Session().ForceBufferFlush; }
bool TDataTable::HasPrimaryKey() const { return FIndex && FIndex->IsOpen() && !FIndex->NoPrimaryKey(); }
bool TDataTable::HasBlobFile() const { return FData && FData->IsOpen() && FData->BlobFieldCount() > 0 && FBlob && FBlob->IsOpen(); }

bool TDataTable::PasswordAvailable() const {
  return !FData || !FData->IsOpen() || !FData->Encrypted() || Session().PasswordKnown(FData->Password());
}

void TDataTable::Raise(uint16_t code) const { RaiseEngineError(code, FName); }

std::string TDataTable::FileName(std::string_view extension) const {
  const std::string name = WithExtension(FName, extension);
  return FInMemory ? name : FDirectory.Path() + name;
}

void TDataTable::OpenFiles() {
  FData = std::make_unique<TDataFile>(FileName(".DAT"), FInMemory, this);
  FIndex = std::make_unique<TIndexFile>(FileName(".IDX"), FInMemory, this);
  FBlob = std::make_unique<TBlobFile>(FileName(".BLB"), FInMemory, this);
  for (TFileHandler* file : {static_cast<TFileHandler*>(FData.get()), static_cast<TFileHandler*>(FIndex.get()),
                             static_cast<TFileHandler*>(FBlob.get())}) {
    file->Exclusive = FExclusive;
    file->ForReading = FForReading;
  }
  FData->Open();
  FIndex->SetEncrypted(FData->Encrypted());
  try {
    FIndex->Open();
  } catch (const ESkladEngineError& error) {
    if (error.Code() != err::InvalidPath || FForReading) throw;
    // A missing index file is made anew, empty; the cursor engine rebuilds the indexes.
    FIndex->Create();
    FIndex->WriteHeader(true);
    FIndex->Close();
    FIndex->Open();
    FIndexRecreated = true;
  }
  if (FData->BlobFieldCount() > 0) {
    FBlob->SetBlockSize(FData->Header().BlobBlockSize());
    FBlob->SetEncrypted(FData->Encrypted());
    FBlob->Open();
  }
}

void TDataTable::CloseFiles() {
  // The BLOB file is closed before the data file, the index file first of all.
  for (TFileHandler* file : {static_cast<TFileHandler*>(FIndex.get()), static_cast<TFileHandler*>(FBlob.get()),
                             static_cast<TFileHandler*>(FData.get())}) {
    if (file == nullptr) continue;
    try {
      file->Close();
    } catch (const ESkladEngineError&) {
      // Closing only fails for a file the registry no longer knows; the others still close.
    }
  }
  FOpen = false;
  FIndexRecreated = false;
  FWrittenTo = false;
}

void TDataTable::Open(const TTableOpenOptions& options) {
  FReferences = 1;
  if (FOpen) return;
  FIndexRecreated = false;
  FFileSizesChecked = false;
  FExclusive = options.Exclusive;
  FForReading = options.ForReading;
  FReadOnly = options.ReadOnly || options.ForReading;
  FOptions[0] = options.Options[0];
  FOptions[1] = options.Options[1];
  FDiscardOnClose = options.DiscardOnClose;
  FOpen = true;
  try {
    OpenFiles();
  } catch (...) {
    CloseFiles();
    FReferences = 0;
    throw;
  }
  FFilesReadOnly = FData->ReadOnly() || FIndex->ReadOnly() || (HasBlobFile() && FBlob->ReadOnly());
  if (FFilesReadOnly) FReadOnly = true;
  FCursorSlots = {};
  FQuerySlots = {};
}

void TDataTable::Create(const TTableDefinition& definition, const TTableOpenOptions& options) {
  {
    TDataFile data(FileName(".DAT"), FInMemory);
    data.Create(definition.Properties, definition.Fields);
    data.WriteHeader(true);
    data.WriteFieldDefinitions();
    TIndexFile index(FileName(".IDX"), FInMemory);
    index.SetEncrypted(definition.Properties.Encrypted);
    index.Create();
    index.AddPrimaryIndex(definition.Primary, definition.Fields);
    for (const TIndexDefinition& secondary : definition.Secondary) index.AddSecondaryIndex(secondary, definition.Fields);
    index.WriteHeader(true);
    if (data.BlobFieldCount() > 0) {
      TBlobFile blob(FileName(".BLB"), FInMemory);
      blob.SetBlockSize(data.Header().BlobBlockSize());
      blob.SetEncrypted(definition.Properties.Encrypted);
      blob.Create();
      blob.WriteHeader(true);
    }
  }
  Open(options);
}

void TDataTable::CheckConsistency() {
  if (FInTransaction && FWrittenTo) return;
  BeginRead();
  try {
    FData->CheckConsistency();
    if (!FIndexRecreated) {
      TSystemList<TFieldDefinition> fields;
      for (int i = 0; i < FData->FieldCount(); ++i) fields.Add(FData->Field(i));
      FIndex->CheckHeader(fields);
    }
    if (HasBlobFile()) FBlob->CheckHeader();
  } catch (...) {
    EndRead();
    throw;
  }
  EndRead();
}

void TDataTable::ReleaseAllLocks() {
  ReleaseRecordLocks(false);
  FCursorLocks.clear();
  FDeferredUnlocks.clear();
  ReleaseReadLock(FCursorReadHeld, FCursorSlots);
  ReleaseReadLock(FQueryReadHeld, FQuerySlots);
  EndWrite();
  ReleaseTransactionByte();
}

void TDataTable::Close(bool discard) {
  if (FReferences > 0) --FReferences;
  if (FReferences > 0 || FInTransaction || !FOpen) return;
  try {
    if (FExclusive && !FReadOnly) {
      if (discard && FDiscardOnClose)
        DiscardCaches(true, false);
      else
        FlushAll({.Shrink = true});
    }
    ReleaseAllLocks();
  } catch (...) {
    CloseFiles();
    throw;
  }
  CloseFiles();
}

// --- reader and writer locks -------------------------------------------------------------

bool TDataTable::TakeReadLock(bool& held, TReaderSlots& slots) {
  if (ProtocolLocksSkipped() || !FOpen) return false;
  if (FCursorReadHeld || FQueryReadHeld || FWriteLockHeld || FTransactionLockHeld) return false;
  slots.Index = LockReaderSlot(*FIndex);
  if (slots.Index == 0) Raise(err::LockFailure);
  if (HasBlobFile()) {
    slots.Blob = LockReaderSlot(*FBlob);
    if (slots.Blob == 0) {
      UnlockReaderSlot(*FIndex, slots.Index);
      slots.Index = 0;
      Raise(err::LockFailure);
    }
  }
  held = true;
  try {
    return Refresh();
  } catch (...) {
    ReleaseReadLock(held, slots);
    throw;
  }
}

void TDataTable::ReleaseReadLock(bool& held, TReaderSlots& slots) {
  if (!held) return;
  held = false;
  bool unlocked = UnlockReaderSlot(*FIndex, slots.Index);
  if (slots.Blob != 0) unlocked = UnlockReaderSlot(*FBlob, slots.Blob) && unlocked;
  slots = {};
  if (!unlocked) Raise(err::CannotUnlock);
}

bool TDataTable::BeginRead() { return TakeReadLock(FCursorReadHeld, FCursorSlots); }
void TDataTable::EndRead() { ReleaseReadLock(FCursorReadHeld, FCursorSlots); }
bool TDataTable::BeginQueryRead() { return TakeReadLock(FQueryReadHeld, FQuerySlots); }
void TDataTable::EndQueryRead() { ReleaseReadLock(FQueryReadHeld, FQuerySlots); }

bool TDataTable::BeginWrite() {
  if (!FOpen) return false;
  if (ProtocolLocksSkipped() || FWriteLockHeld) {
    CheckFilesBeforeWrite();
    return false;
  }
  // The writer range covers every reader slot, this table's own too: a lock cannot be taken over
  // one this process holds, and writing needs no read lock besides.
  EndRead();
  EndQueryRead();
  const bool takeTransactionByte = !FTransactionLockHeld;
  if (takeTransactionByte && !LockTransactionByte(*FData)) Raise(err::LockFailure);
  if (!LockWriterRange(*FIndex)) {
    if (takeTransactionByte) UnlockTransactionByte(*FData);
    Raise(err::LockFailure);
  }
  if (HasBlobFile() && !LockWriterRange(*FBlob)) {
    UnlockWriterRange(*FIndex);
    if (takeTransactionByte) UnlockTransactionByte(*FData);
    Raise(err::LockFailure);
  }
  FWriteLockHeld = true;
  FWriteTookTransactionByte = takeTransactionByte;
  try {
    const bool changed = !FTransactionLockHeld && Refresh();
    CheckFilesBeforeWrite();
    return changed;
  } catch (...) {
    EndWrite();
    throw;
  }
}

void TDataTable::CheckFilesBeforeWrite() {
  if (FFileSizesChecked) return;
  FData->CheckRecordsBeforeWrite();
  FIndex->CheckPagesBeforeWrite();
  if (HasBlobFile()) FBlob->CheckBlocksBeforeWrite();
  FFileSizesChecked = true;
}

void TDataTable::EndWrite() {
  if (!FWriteLockHeld) return;
  FWriteLockHeld = false;
  bool unlocked = !HasBlobFile() || UnlockWriterRange(*FBlob);
  unlocked = UnlockWriterRange(*FIndex) && unlocked;
  if (FWriteTookTransactionByte) unlocked = UnlockTransactionByte(*FData) && unlocked;
  FWriteTookTransactionByte = false;
  if (!unlocked) Raise(err::LockFailure);
}

bool TDataTable::Refresh() {
  bool changed = false;
  if (FIndex->HeaderChanged()) {
    FIndex->DropPages(true);
    FData->ReadHeader();
    FData->Records().Empty();
    changed = true;
  } else if (FData->HeaderChanged()) {
    FData->Records().Empty();
    changed = true;
  }
  if (HasBlobFile() && FBlob->HeaderChanged()) {
    FBlob->EmptyCache();
    changed = true;
  }
  if (changed) FFileSizesChecked = false;
  return changed;
}

// --- record locks ------------------------------------------------------------------------

bool TDataTable::LockRecord(int32_t record) {
  if (FCursorLocks.count(record)) Raise(err::RecordInUse);
  bool changed = false;
  if (!RecordLocksSkipped()) {
    if (FInTransaction && FSystemLocks.count(record)) {
      FDeferredUnlocks.erase(record);  // held since earlier in the transaction
    } else {
      // The record is waited for without the read lock: a reader waiting here would keep the
      // record's holder from writing, and so from ever releasing it.
      const TDataSession& session = Session();
      if (!LockRecordByte(*FData, record, session.LockRetryCount, session.LockWaitTime)) Raise(err::RecordInUse);
      if (!FExclusive && !StrictChangeDetection()) {
        try {
          changed = BeginRead();
        } catch (...) {
          UnlockRecordByte(*FData, record);
          throw;
        }
      }
      FSystemLocks.insert(record);
      FDeferredUnlocks.erase(record);
    }
  }
  FCursorLocks.insert(record);
  return changed;
}

void TDataTable::UnlockRecord(int32_t record) {
  if (!RecordLocksSkipped()) {
    if (FInTransaction) {
      FDeferredUnlocks.insert(record);
    } else {
      if (!FSystemLocks.count(record) || !UnlockRecordByte(*FData, record)) Raise(err::CannotUnlock);
      FSystemLocks.erase(record);
    }
  }
  FCursorLocks.erase(record);
}

void TDataTable::ReleaseRecordLocks(bool deferredOnly) {
  bool unlocked = true;
  // Highest record first: its byte lies lowest, where the system's list of the file's locks
  // starts, so that each release finds its lock at once instead of passing all the others.
  for (auto it = FSystemLocks.end(); it != FSystemLocks.begin();) {
    --it;
    if (deferredOnly && !FDeferredUnlocks.count(*it)) continue;
    unlocked = UnlockRecordByte(*FData, *it) && unlocked;
    FDeferredUnlocks.erase(*it);
    it = FSystemLocks.erase(it);
  }
  if (!unlocked) Raise(err::CannotUnlock);
}

// --- writing -------------------------------------------------------------------------------

void TDataTable::FlushAll(const TFlushOptions& options) {
  if (FReadOnly || !FOpen) return;
  if (FInTransaction) {
    if (options.ForceData) FData->MarkHeaderChanged();
    if (options.ForceIndex) FIndex->MarkHeaderChanged();
    if (options.ForceBlob && HasBlobFile()) FBlob->MarkHeaderChanged();
    return;
  }
  FData->Records().WriteModified(options.ToDisk);
  FData->WriteHeader(options.ForceData, options.ToDisk);
  FData->WriteFieldDefinitions();
  FIndex->WriteModifiedPages(options.ToDisk);
  FIndex->WriteHeader(options.ForceIndex, options.ToDisk);
  if (HasBlobFile()) {
    FBlob->WriteModifiedBlocks(options.ToDisk);
    FBlob->WriteHeader(options.ForceBlob, options.ToDisk);
  }
  if (options.Shrink) {
    FData->Records().Shrink();
    FIndex->ShrinkCaches();
    if (HasBlobFile()) FBlob->ShrinkCache();
  }
}

void TDataTable::ChangesMade(bool data, bool index, bool blob) {
  if (FExclusive || FInTransaction) {
    if (data) FData->MarkHeaderChanged();
    if (index) FIndex->MarkHeaderChanged();
    if (blob && HasBlobFile()) FBlob->MarkHeaderChanged();
    return;
  }
  FlushAll({.ForceData = data, .ForceIndex = index, .ForceBlob = blob});
}

void TDataTable::DiscardCaches(bool shrink, bool rereadHeaders) {
  FData->Records().Empty();
  FIndex->DropPages(true);
  if (HasBlobFile()) FBlob->EmptyCache();
  if (shrink) {
    FData->Records().Shrink();
    FIndex->ShrinkCaches();
    if (HasBlobFile()) FBlob->ShrinkCache();
  }
  if (rereadHeaders) {
    FData->ReadHeader();
    FIndex->ReadHeader();
    if (HasBlobFile()) FBlob->ReadHeader();
    FFileSizesChecked = false;
  }
}

// --- transactions --------------------------------------------------------------------------

void TDataTable::StartTransaction() {
  if (FReadOnly || FInTransaction || !FOpen) return;
  if (FExclusive) FlushAll();
  if (!FFilesReadOnly) {
    if (FWriteLockHeld && FWriteTookTransactionByte) {
      // The write lock in progress already holds the byte: the transaction takes it over.
      FWriteTookTransactionByte = false;
    } else if (!LockTransactionByte(*FData)) {
      Raise(err::LockFailure);
    }
    FTransactionLockHeld = true;
  }
  // Only now, with the byte held: a failed start leaves no transaction behind.
  FInTransaction = true;
  if (!FExclusive) {
    try {
      Refresh();
    } catch (...) {
      FInTransaction = false;
      ReleaseTransactionByte();
      throw;
    }
  }
}

void TDataTable::ReleaseTransactionByte() {
  if (!FTransactionLockHeld) return;
  FTransactionLockHeld = false;
  if (!UnlockTransactionByte(*FData)) Raise(err::LockFailure);
  if (!FExclusive) ReleaseRecordLocks(true);
}

void TDataTable::Commit() {
  if (!FInTransaction) return;
  FInTransaction = false;
  try {
    BeginWrite();
    FlushAll({.Shrink = true, .ToDisk = true});
  } catch (...) {
    EndWrite();
    ReleaseTransactionByte();
    throw;
  }
  EndWrite();
  ReleaseTransactionByte();
  ReleaseRecordLocks(true);
}

void TDataTable::CommitAndContinue() {
  if (!FInTransaction) return;
  BeginWrite();
  FInTransaction = false;
  try {
    FlushAll({.ToDisk = true});
  } catch (...) {
    FInTransaction = true;
    EndWrite();
    throw;
  }
  FInTransaction = true;
  ReleaseRecordLocks(true);
  EndWrite();
}

void TDataTable::Rollback() {
  if (!FInTransaction) return;
  FInTransaction = false;
  try {
    DiscardCaches(true, true);
  } catch (...) {
    ReleaseTransactionByte();
    throw;
  }
  ReleaseTransactionByte();
  ReleaseRecordLocks(true);
}

// --- whole-table operations ----------------------------------------------------------------

void TDataTable::Empty() {
  FData->Empty();
  FIndex->Empty();
  if (HasBlobFile()) FBlob->Empty();
  DiscardCaches(true, false);
}

void TDataTable::BackupIndex() {
  FlushAll();
  const std::string backup = FileName(".IBK");
  TFileHandler existing(backup, FInMemory);
  if (existing.Exists()) existing.Delete();
  FIndex->CopyTo(backup);
}

void TDataTable::RestoreIndex(bool copyBack, bool deleteBackup) {
  const std::string backup = FileName(".IBK");
  TFileHandler saved(backup, FInMemory);
  if (copyBack) {
    FIndex->DropPages(true);
    FIndex->WriteAt(0, nullptr, 0);
    FIndex->Seek(0, TSeekOrigin::Start);
    FIndex->CopyFrom(backup);
    FIndex->ReadHeader();
    FFileSizesChecked = false;
  }
  if (deleteBackup && saved.Exists()) saved.Delete();
}

}  // namespace sklad
