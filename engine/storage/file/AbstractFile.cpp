#include "AbstractFile.h"

#include "engine/storage/core/EngineError.h"

namespace sklad {

int TAbstractFile::FindHandle(int handle) const {
  std::lock_guard guard(FLock);
  if (OpenCount == 0) return -1;
  for (int i = 0; i < Handles.Count(); ++i)
    if (Handles[i].Number == handle) return i;
  return -1;
}

int TAbstractFile::AddHandle() {
  ++OpenCount;
  const int number = ++FLastHandleNumber;
  Handles.Add({number, 0});
  return number;
}

int TAbstractFile::CloseHandle(int handle) {
  std::lock_guard guard(FLock);
  const int index = FindHandle(handle);
  if (index < 0) return -err::InvalidFileHandle;
  Handles.Delete(index);
  --OpenCount;
  return 0;
}

}  // namespace sklad
