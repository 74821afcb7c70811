// TPhysicalFile: a file on disk, opened by the operating system once per process however many
// handles use it. All handles share one position, so users bracket a seek and the following read
// or write with Enter/Leave. Byte-range locks exclude other processes and other users of this
// process alike. A delete or rename holds the file exclusively while it acts, so a file another
// process has open is refused (11013) however the operating system treats open files.
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
  // Both act while the file is held exclusively: through this object's own descriptor when it is
  // open (the registry asks so only for the one handle of an exclusive open), else through a
  // descriptor opened for the change alone.
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
  template <typename Change>
  int WhileHeldExclusively(Change change);

  int FDescriptor = -1;
  int64_t FPosition = 0;  // the one position all handles share
};

}  // namespace sklad
