// TAbstractFile: one file known to the process, on disk or in memory, shared by every user of it
// through numbered logical handles. Operations answer a handle number, a count or 0 on success and
// a negated engine error code on failure; they never raise. Each runs under the file's lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "RangeLockList.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

struct THandleEntry {
  int Number;
  int64_t Position;
};

enum class TSeekOrigin { Start = 0, Current = 1, End = 2 };

class TAbstractFile {
 public:
  explicit TAbstractFile(std::string fileName) : FileName(std::move(fileName)) {}
  virtual ~TAbstractFile() = default;
  TAbstractFile(const TAbstractFile&) = delete;
  TAbstractFile& operator=(const TAbstractFile&) = delete;

  // Index of the handle in the handle list; -1 when unknown or when no handle is open.
  int FindHandle(int handle) const;

  virtual bool InMemory() const = 0;
  virtual int CreateNew() = 0;
  virtual int OpenHandle() = 0;
  virtual int CloseHandle(int handle);
  virtual int Rename(const std::string& newName) = 0;
  virtual int Delete() = 0;
  // A write of 0 bytes sets the end of the file at the handle's position.
  virtual int32_t Read(int handle, void* buffer, int32_t count) = 0;
  virtual int32_t Write(int handle, const void* buffer, int32_t count) = 0;
  virtual bool Flush() = 0;
  virtual int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) = 0;
  // Lengths below 1 answer false.
  virtual bool LockRange(int64_t offset, int64_t length) = 0;
  virtual bool UnlockRange(int64_t offset, int64_t length) = 0;

  // The file's lock; re-entrant, so a user can hold it across a seek and the following read.
  void Enter() { FLock.lock(); }
  void Leave() { FLock.unlock(); }
  std::recursive_mutex& Lock() { return FLock; }

  bool Exclusive = false;          // open for one handle only, without sharing
  bool ReadOnly = false;           // open for reading only
  bool ReadOnlyAttribute = false;  // the file was found read-only by its first open
  bool Temporary = false;          // disappears when its last handle closes
  std::string FileName;            // full path on disk, or the bare name of an in-memory file
  int OpenCount = 0;
  TSystemList<THandleEntry> Handles;

 protected:
  // The part of CreateNew and OpenHandle shared by both kinds: one more handle at position 0.
  // Handle numbers are never reused while the file object lives, so no two users share one.
  int AddHandle();

  mutable std::recursive_mutex FLock;
  TRangeLockList FLocks;

 private:
  int FLastHandleNumber = 0;
};

}  // namespace sklad
