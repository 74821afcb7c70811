// TPhysicalFile: a file on disk, opened by the operating system once per process however many
// handles use it. All handles share one position, so users bracket a seek and the following read
// or write with Enter/Leave. Byte-range locks exclude other processes and other users of this
// process alike.
#pragma once

#include "AbstractFile.h"

namespace sklad {

class TPhysicalFile : public TAbstractFile {
 public:
  using TAbstractFile::TAbstractFile;
  ~TPhysicalFile() override;

  bool InMemory() const override { return false; }
  // Creates or empties the file, held exclusively; the file is emptied only once no other
  // process has it open.
  int CreateNew() override;
  // The first open reaches the operating system; later ones add a handle.
  int OpenHandle() override;
  // The last close closes the descriptor and removes a temporary file.
  int CloseHandle(int handle) override;
  int Rename(const std::string& newName) override;
  int Delete() override;
  int32_t Read(int handle, void* buffer, int32_t count) override;
  int32_t Write(int handle, const void* buffer, int32_t count) override;
  bool Flush() override;
  int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) override;
  bool LockRange(int64_t offset, int64_t length) override;
  bool UnlockRange(int64_t offset, int64_t length) override;

 private:
  int OpenDescriptor();
  void CloseDescriptor();

  int FDescriptor = -1;
  int64_t FPosition = 0;  // the one position all handles share
};

}  // namespace sklad
