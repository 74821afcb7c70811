#include "FileHandler.h"

#include "engine/storage/core/EngineError.h"
#include "FileList.h"

namespace sklad {

TFileHandler::TFileHandler(std::string fileName, bool inMemory)
    : FInMemory(inMemory), FFileName(std::move(fileName)) {}

TFileHandler::~TFileHandler() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close only fails for a file the registry no longer knows.
  }
}

void TFileHandler::Raise(int code) const { RaiseEngineError(static_cast<uint16_t>(code), FFileName); }

void TFileHandler::RaiseOnFailure(int64_t result) const {
  if (result < 0) Raise(static_cast<int>(-result));
}

void TFileHandler::Open() {
  if (FOpen) return;
  TFileList& registry = TFileList::Instance();
  if (!TFileList::HasBaseName(FFileName) || !registry.Exists(FFileName, FInMemory)) Raise(err::InvalidPath);
  const TFileOpenResult result = registry.Open(FFileName, FInMemory, Temporary, Exclusive, ForReading);
  RaiseOnFailure(result.Handle);
  FFile = result.File;
  FHandle = result.Handle;
  FReadOnly = result.ReadOnly;
  FOpen = true;
}

void TFileHandler::Close() {
  TAbstractFile* file = FFile;
  const int handle = FHandle;
  FFile = nullptr;
  FHandle = 0;
  FOpen = false;
  if (file && handle > 0) RaiseOnFailure(TFileList::Instance().Close(file, FInMemory, handle));
}

void TFileHandler::CreateNew() {
  Close();
  const TFileOpenResult result = TFileList::Instance().Create(FFileName, FInMemory, Temporary);
  RaiseOnFailure(result.Handle);
  FFile = result.File;
  FHandle = result.Handle;
  FReadOnly = false;
  FOpen = true;
}

void TFileHandler::Delete() { RaiseOnFailure(TFileList::Instance().Delete(FFileName, FInMemory)); }

void TFileHandler::Rename(const std::string& newName) {
  RaiseOnFailure(TFileList::Instance().Rename(FFileName, FInMemory, newName));
  FFileName = newName;
}

void TFileHandler::DeleteHeld() {
  RaiseOnFailure(FFile ? TFileList::Instance().DeleteHeld(FFile, FInMemory, FHandle) : -err::AccessDenied);
  FFile = nullptr;
  FHandle = 0;
  FOpen = false;
}

void TFileHandler::RenameHeld(const std::string& newName) {
  RaiseOnFailure(FFile ? TFileList::Instance().RenameHeld(FFile, FInMemory, FHandle, newName) : -err::AccessDenied);
  FFileName = newName;
}

void TFileHandler::CopyTo(const std::string& newName) {
  if (FFile) RaiseOnFailure(TFileList::Instance().CopyTo(FFile, FHandle, newName, FInMemory));
}

void TFileHandler::CopyFrom(const std::string& sourceName) {
  if (FFile) RaiseOnFailure(TFileList::Instance().CopyFrom(FFile, FHandle, sourceName, FInMemory));
}

int32_t TFileHandler::Read(void* buffer, int32_t count, bool shortReadAllowed) {
  if (!FFile) Raise(err::ReadError);
  const int32_t read = FFile->Read(FHandle, buffer, count);
  if (read < 0 || (read < count && !shortReadAllowed)) Raise(err::ReadError);
  return read;
}

void TFileHandler::Write(const void* buffer, int32_t count) {
  if (!FFile) Raise(err::WriteError);
  const int32_t written = FFile->Write(FHandle, buffer, count);
  if (written < 0 || written < count) Raise(err::WriteError);
}

void TFileHandler::Flush() {
  if (!FFile || !FFile->Flush()) Raise(err::WriteError);
}

int64_t TFileHandler::Seek(int64_t offset, TSeekOrigin origin) {
  if (!FFile) return 0;
  const int64_t position = FFile->Seek(FHandle, offset, origin);
  RaiseOnFailure(position);
  return position;
}

int64_t TFileHandler::GetSize() {
  if (!FFile) return 0;
  std::lock_guard guard(FFile->Lock());
  const int64_t position = Seek(0, TSeekOrigin::Current);
  int64_t size = 0;
  try {
    size = Seek(0, TSeekOrigin::End);
  } catch (...) {
    FFile->Seek(FHandle, position, TSeekOrigin::Start);
    throw;
  }
  Seek(position, TSeekOrigin::Start);
  return size;
}

bool TFileHandler::LockRange(int64_t offset, int64_t length) { return FFile && FFile->LockRange(offset, length); }

bool TFileHandler::UnlockRange(int64_t offset, int64_t length) {
  return FFile && FFile->UnlockRange(offset, length);
}

bool TFileHandler::Exists() { return TFileList::Instance().Exists(FFileName, FInMemory); }

void TFileHandler::Enter() {
  if (FFile) FFile->Enter();
}

void TFileHandler::Leave() {
  if (FFile) FFile->Leave();
}

int32_t TFileHandler::ReadAt(int64_t offset, void* buffer, int32_t count, bool shortReadAllowed) {
  if (!FFile) Raise(err::ReadError);
  std::lock_guard guard(FFile->Lock());
  Seek(offset, TSeekOrigin::Start);
  return Read(buffer, count, shortReadAllowed);
}

void TFileHandler::WriteAt(int64_t offset, const void* buffer, int32_t count) {
  if (!FFile) Raise(err::WriteError);
  std::lock_guard guard(FFile->Lock());
  Seek(offset, TSeekOrigin::Start);
  Write(buffer, count);
}

}  // namespace sklad
