#include "PhysicalFile.h"

#include <cerrno>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/OsErrors.h"
#include "platform/FileSystem.h"
#include "platform/MoveFile.h"
#include "platform/ShareMode.h"

namespace sklad {
namespace {

platform::FileSystem& Os() { return platform::CurrentFileSystem(); }

int Failure(int osError) { return -static_cast<int>(EngineCodeForOsError(osError)); }

}  // namespace

TPhysicalFile::~TPhysicalFile() { CloseDescriptor(); }

void TPhysicalFile::CloseDescriptor() {
  if (FDescriptor < 0) return;
  Os().Close(FDescriptor);
  FDescriptor = -1;
  FLocks.Clear();  // the operating system released them with the descriptor
  if (Temporary) Os().Remove(FileName);
}

int TPhysicalFile::OpenDescriptor() {
  ReadOnlyAttribute = false;
  platform::FileAttributes attributes;
  if (int error = Os().Attributes(FileName, attributes)) return Failure(error);
  if (attributes.directory) return -err::AccessDenied;
  if (attributes.readOnly) ReadOnly = ReadOnlyAttribute = true;

  int fd = -1;
  if (int error = Os().OpenExisting(FileName, !ReadOnly, fd)) return Failure(error);
  if (int error = platform::AcquireShareMode(Os(), fd, Exclusive)) {
    Os().Close(fd);
    return Failure(error);
  }
  FDescriptor = fd;
  FPosition = 0;
  return 0;
}

int TPhysicalFile::CreateNew() {
  std::lock_guard guard(FLock);
  CloseDescriptor();
  int fd = -1;
  if (int error = Os().OpenOrCreate(FileName, fd)) return Failure(error);
  int error = platform::AcquireShareMode(Os(), fd, /*exclusive=*/true);
  if (!error) error = Os().Truncate(fd, 0);
  if (error) {
    Os().Close(fd);
    return Failure(error);
  }
  FDescriptor = fd;
  FPosition = 0;
  ReadOnly = ReadOnlyAttribute = false;
  return AddHandle();
}

int TPhysicalFile::OpenHandle() {
  std::lock_guard guard(FLock);
  if (OpenCount == 0)
    if (int result = OpenDescriptor()) return result;
  return AddHandle();
}

int TPhysicalFile::CloseHandle(int handle) {
  std::lock_guard guard(FLock);
  if (int result = TAbstractFile::CloseHandle(handle)) return result;
  if (OpenCount == 0) CloseDescriptor();
  return 0;
}

// No other process can open the file while the change runs, and one that has it open refuses
// the exclusive sharing mode: on a system that lets open files be deleted and renamed, this is
// what keeps a table in use in place.
template <typename Change>
int TPhysicalFile::WhileHeldExclusively(Change change) {
  if (FDescriptor >= 0) return Exclusive ? change() : -err::AccessDenied;
  int fd = -1;
  if (int error = Os().OpenExisting(FileName, /*forWriting=*/false, fd)) return Failure(error);
  const int error = platform::AcquireShareMode(Os(), fd, /*exclusive=*/true);
  const int result = error ? Failure(error) : change();
  Os().Close(fd);  // also gives up the sharing mode
  return result;
}

int TPhysicalFile::Rename(const std::string& newName) {
  std::lock_guard guard(FLock);
  platform::FileAttributes target;
  if (Os().Attributes(newName, target) == 0 && target.exists) return Failure(EEXIST);
  return WhileHeldExclusively([&] {
    // The new name may lie on another file system (a private directory on its own mount).
    if (int error = platform::MoveFile(Os(), FileName, newName)) return Failure(error);
    FileName = newName;
    return 0;
  });
}

int TPhysicalFile::Delete() {
  std::lock_guard guard(FLock);
  return WhileHeldExclusively([&] {
    const int error = Os().Remove(FileName);
    return error ? Failure(error) : 0;
  });
}

int32_t TPhysicalFile::Read(int handle, void* buffer, int32_t count) {
  std::lock_guard guard(FLock);
  if (FindHandle(handle) < 0 || FDescriptor < 0) return -err::InvalidFileHandle;
  if (count <= 0) return 0;
  size_t done = 0;
  const int error = Os().ReadAt(FDescriptor, buffer, static_cast<size_t>(count), FPosition, done);
  FPosition += static_cast<int64_t>(done);
  if (error && done == 0) return Failure(error);
  return static_cast<int32_t>(done);
}

int32_t TPhysicalFile::Write(int handle, const void* buffer, int32_t count) {
  std::lock_guard guard(FLock);
  if (FindHandle(handle) < 0 || FDescriptor < 0) return -err::InvalidFileHandle;
  if (count < 0) return -err::WriteError;
  if (count == 0) {
    const int error = Os().Truncate(FDescriptor, FPosition);
    return error ? Failure(error) : 0;
  }
  size_t done = 0;
  const int error = Os().WriteAt(FDescriptor, buffer, static_cast<size_t>(count), FPosition, done);
  FPosition += static_cast<int64_t>(done);
  if (error && done == 0) return Failure(error);
  return static_cast<int32_t>(done);
}

bool TPhysicalFile::Flush() {
  std::lock_guard guard(FLock);
  return FDescriptor >= 0 && Os().Sync(FDescriptor) == 0;
}

int64_t TPhysicalFile::Seek(int handle, int64_t offset, TSeekOrigin origin) {
  std::lock_guard guard(FLock);
  if (FindHandle(handle) < 0 || FDescriptor < 0) return -err::InvalidFileHandle;
  int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::Start: break;
    case TSeekOrigin::Current: base = FPosition; break;
    case TSeekOrigin::End:
      if (int error = Os().Size(FDescriptor, base)) return Failure(error);
      break;
  }
  if (base + offset < 0) return Failure(EINVAL);
  FPosition = base + offset;
  return FPosition;
}

// The process's own users are kept apart by the lock list, because every lock of this process
// is held through the one descriptor and the operating system would not set them against each
// other. A descriptor opened for reading can only take shared locks; they still exclude every
// writer of another process, and the lock list still excludes this process's users. A range is handed to the operating system only when no user of this process holds any
// part of it, so a failed attempt never merges with, or releases, another user's lock.
bool TPhysicalFile::LockRange(int64_t offset, int64_t length) {
  std::lock_guard guard(FLock);
  if (FDescriptor < 0 || length < 1 || offset < 0 || FLocks.Overlaps(offset, length)) return false;
  if (Os().Lock(FDescriptor, offset, length, /*shared=*/ReadOnly) != 0) return false;
  FLocks.Lock(offset, length);
  return true;
}

bool TPhysicalFile::UnlockRange(int64_t offset, int64_t length) {
  std::lock_guard guard(FLock);
  if (FDescriptor < 0 || !FLocks.IsLocked(offset, length)) return false;
  if (Os().Unlock(FDescriptor, offset, length) != 0) return false;
  FLocks.Unlock(offset, length);
  return true;
}

}  // namespace sklad
