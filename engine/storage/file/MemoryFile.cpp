#include "MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/storage/core/EngineError.h"

namespace sklad {

void TMemoryFile::FreeBlock() {
  FData.reset();
  FCapacity = 0;
}

// The block grows to at least twice its capacity, in whole steps, so that filling a large file
// costs linear time rather than a copy of the whole block for every step.
bool TMemoryFile::Reserve(int64_t size) {
  if (size <= FCapacity) return true;
  const int64_t wanted = std::min(std::max(size, 2 * FCapacity), kMaximumSize);
  const int64_t capacity = (std::max(wanted, size) + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[capacity]());
  if (!data) return false;
  if (FData) std::memcpy(data.get(), FData.get(), static_cast<size_t>(FSize));
  FData = std::move(data);
  FCapacity = capacity;
  return true;
}

int TMemoryFile::CreateNew() {
  std::lock_guard guard(FLock);
  FreeBlock();
  FSize = 0;
  return AddHandle();
}

int TMemoryFile::OpenHandle() {
  std::lock_guard guard(FLock);
  return AddHandle();
}

int TMemoryFile::Rename(const std::string& newName) {
  std::lock_guard guard(FLock);
  FileName = newName;
  return 0;
}

int TMemoryFile::Delete() { return 0; }

int32_t TMemoryFile::Read(int handle, void* buffer, int32_t count) {
  std::lock_guard guard(FLock);
  const int index = FindHandle(handle);
  if (index < 0) return -err::InvalidFileHandle;
  int64_t& position = Handles[index].Position;
  if (count <= 0 || position < 0 || position >= FSize) return 0;
  const int64_t n = std::min<int64_t>(count, FSize - position);
  std::memcpy(buffer, FData.get() + position, static_cast<size_t>(n));
  position += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryFile::Write(int handle, const void* buffer, int32_t count) {
  std::lock_guard guard(FLock);
  const int index = FindHandle(handle);
  if (index < 0) return -err::InvalidFileHandle;
  int64_t& position = Handles[index].Position;
  if (count < 0 || position < 0) return -err::InvalidMemoryTableLength;
  if (count == 0) {
    FSize = position;
    if (position == 0) FreeBlock();
    return 0;
  }
  const int64_t end = position + count;
  if (end > kMaximumSize) return -err::InvalidMemoryTableLength;
  if (!Reserve(end)) return -err::OutOfMemory;
  if (position > FSize) std::memset(FData.get() + FSize, 0, static_cast<size_t>(position - FSize));
  std::memcpy(FData.get() + position, buffer, static_cast<size_t>(count));
  FSize = std::max(FSize, end);
  position = end;
  return count;
}

int64_t TMemoryFile::Seek(int handle, int64_t offset, TSeekOrigin origin) {
  std::lock_guard guard(FLock);
  const int index = FindHandle(handle);
  if (index < 0) return -err::InvalidFileHandle;
  int64_t& position = Handles[index].Position;
  switch (origin) {
    case TSeekOrigin::Start: position = offset; break;
    case TSeekOrigin::Current: position += offset; break;
    case TSeekOrigin::End: position = FSize + offset; break;
  }
  return position;
}

bool TMemoryFile::LockRange(int64_t offset, int64_t length) {
  std::lock_guard guard(FLock);
  return FLocks.Lock(offset, length);
}

bool TMemoryFile::UnlockRange(int64_t offset, int64_t length) {
  std::lock_guard guard(FLock);
  return FLocks.Unlock(offset, length);
}

}  // namespace sklad
