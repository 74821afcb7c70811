// TFileHandler: one user's logical handle on a registered file; the base of the data, index and
// BLOB files. Failures are raised as ESkladEngineError with the handler's file name as table name.
#pragma once

#include <cstdint>
#include <string>

#include "AbstractFile.h"

namespace sklad {

class TFileHandler {
 public:
  TFileHandler(std::string fileName, bool inMemory);
  virtual ~TFileHandler();
  TFileHandler(const TFileHandler&) = delete;
  TFileHandler& operator=(const TFileHandler&) = delete;

  // Nothing when already open; 11010 when the file exists neither in the registry nor on disk.
  virtual void Open();
  // Safe on a closed handler.
  virtual void Close();
  virtual void CreateNew();
  // Delete and Rename: 11013 when the file is in use, by a user of this process or by another
  // process.
  virtual void Delete();
  virtual void Rename(const std::string& newName);
  // For a file this handler holds through an exclusive open: the file is deleted (the handler is
  // then closed) or renamed (it stays open under the new name) before the hold ends, so that no
  // other user can open it in between. 11013 when the handler does not hold the file so.
  void DeleteHeld();
  void RenameHeld(const std::string& newName);
  virtual void CopyTo(const std::string& newName);
  // Fewer bytes than asked raise 9217 unless short reads are allowed.
  virtual int32_t Read(void* buffer, int32_t count, bool shortReadAllowed = false);
  // Fewer bytes written than asked raise 9218; a count of 0 sets the end of the file here.
  virtual void Write(const void* buffer, int32_t count);
  virtual void Flush();

  int64_t Seek(int64_t offset, TSeekOrigin origin);
  // Leaves the position where it was, also when an error passes.
  int64_t GetSize();
  bool LockRange(int64_t offset, int64_t length);
  bool UnlockRange(int64_t offset, int64_t length);
  bool Exists();
  // Writes the whole of another file of the same kind at the current position.
  void CopyFrom(const std::string& sourceName);
  void Enter();
  void Leave();

  // A seek and a read or write as one step under the file's lock.
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count, bool shortReadAllowed = false);
  void WriteAt(int64_t offset, const void* buffer, int32_t count);

  const std::string& FileName() const { return FFileName; }
  bool IsOpen() const { return FOpen; }
  bool InMemory() const { return FInMemory; }
  bool ReadOnly() const { return FReadOnly; }
  int HandleNumber() const { return FHandle; }
  TAbstractFile* File() const { return FFile; }

  bool Exclusive = false;  // asks for exclusive use at the next open
  bool Temporary = false;  // asks for a file that disappears at its last close
  bool ForReading = false;  // asks for reading only at the next open

 private:
  [[noreturn]] void Raise(int code) const;
  void RaiseOnFailure(int64_t result) const;

  bool FInMemory;
  TAbstractFile* FFile = nullptr;
  std::string FFileName;
  int FHandle = 0;
  bool FReadOnly = false;
  bool FOpen = false;
};

// Holds a handler's file lock for a scope.
class TFileLockGuard {
 public:
  explicit TFileLockGuard(TFileHandler& handler) : FHandler(handler) { FHandler.Enter(); }
  ~TFileLockGuard() { FHandler.Leave(); }
  TFileLockGuard(const TFileLockGuard&) = delete;
  TFileLockGuard& operator=(const TFileLockGuard&) = delete;

 private:
  TFileHandler& FHandler;
};

}  // namespace sklad
