// TMemoryFile: a file held in memory, for in-memory tables and temporary results. Its data block
// grows in whole steps of 65,535 bytes, at least doubling, and never shrinks; its locks keep users
// of this process apart.
#pragma once

#include <memory>

#include "AbstractFile.h"

namespace sklad {

class TMemoryFile : public TAbstractFile {
 public:
  using TAbstractFile::TAbstractFile;

  static constexpr int64_t kGrowthStep = 65535;
  // The largest size an in-memory file can reach.
  static constexpr int64_t kMaximumSize = INT32_MAX;

  bool InMemory() const override { return true; }
  int CreateNew() override;
  int OpenHandle() override;
  int Rename(const std::string& newName) override;
  int Delete() override;
  int32_t Read(int handle, void* buffer, int32_t count) override;
  int32_t Write(int handle, const void* buffer, int32_t count) override;
  bool Flush() override { return true; }
  int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) override;
  bool LockRange(int64_t offset, int64_t length) override;
  bool UnlockRange(int64_t offset, int64_t length) override;

  int64_t Size() const { return FSize; }
  int64_t BlockCapacity() const { return FCapacity; }

 private:
  bool Reserve(int64_t size);
  void FreeBlock();

  std::unique_ptr<uint8_t[]> FData;
  int64_t FCapacity = 0;
  int64_t FSize = 0;
};

}  // namespace sklad
