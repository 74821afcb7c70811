#include "FileList.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/storage/core/EngineError.h"
#include "MemoryFile.h"
#include "PhysicalFile.h"
#include "platform/FileSystem.h"
#include "platform/PathNames.h"

namespace sklad {
namespace {

constexpr int32_t kCopyChunk = 65535;

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

// Reads the source from its start in chunks and writes each to the target; the source's position
// is moved, the target's is where writing goes on. The caller holds both files' locks.
int CopyContent(TAbstractFile& source, int sourceHandle, TAbstractFile& target, int targetHandle) {
  std::vector<uint8_t> buffer(kCopyChunk);
  if (int64_t result = source.Seek(sourceHandle, 0, TSeekOrigin::Start); result < 0)
    return static_cast<int>(result);
  for (;;) {
    const int32_t read = source.Read(sourceHandle, buffer.data(), kCopyChunk);
    if (read < 0) return read;
    if (read > 0) {
      const int32_t written = target.Write(targetHandle, buffer.data(), read);
      if (written < 0) return written;
      if (written != read) return -err::WriteError;
    }
    if (read < kCopyChunk) return 0;
  }
}

}  // namespace

TFileList& TFileList::Instance() {
  static TFileList registry;
  return registry;
}

bool TFileList::HasBaseName(const std::string& name) {
  const std::string native = platform::NativeSeparators(name);
  std::string base = native.substr(native.find_last_of('/') + 1);
  base = base.substr(0, base.find_last_of('.'));
  return !Trimmed(base).empty();
}

std::string TFileList::RegistryName(const std::string& name, bool inMemory) {
  const std::string trimmed = Trimmed(name);
  if (inMemory) return trimmed;
  std::error_code error;
  const std::filesystem::path full =
      std::filesystem::absolute(platform::ResolveFileName(trimmed), error).lexically_normal();
  return error ? platform::ResolveFileName(trimmed) : full.string();
}

std::unique_ptr<TAbstractFile> TFileList::MakeFile(const std::string& registryName, bool inMemory) {
  if (inMemory) return std::make_unique<TMemoryFile>(registryName);
  return std::make_unique<TPhysicalFile>(registryName);
}

int TFileList::IndexOf(const std::string& registryName, bool inMemory) const {
  for (int i = 0; i < FFiles.Count(); ++i) {
    const TAbstractFile& file = *FFiles[i];
    if (file.InMemory() == inMemory && SameName(Trimmed(file.FileName), registryName)) return i;
  }
  return -1;
}

int TFileList::IndexOf(const TAbstractFile* file) const {
  for (int i = 0; i < FFiles.Count(); ++i)
    if (FFiles[i].get() == file) return i;
  return -1;
}

int TFileList::HeldIndex(const TAbstractFile* file, bool inMemory, int handle) const {
  const int index = IndexOf(file);
  if (index < 0 || file->InMemory() != inMemory) return -err::InvalidPath;
  if (!file->Exclusive || file->OpenCount != 1 || file->FindHandle(handle) < 0) return -err::AccessDenied;
  return index;
}

TAbstractFile* TFileList::Add(const std::string& registryName, bool inMemory) {
  FFiles.Add(MakeFile(registryName, inMemory));
  return FFiles.Last().get();
}

void TFileList::Free(int index) { FFiles.Delete(index); }

int TFileList::Count() const {
  std::lock_guard guard(FLock);
  return FFiles.Count();
}

TFileOpenResult TFileList::Create(const std::string& name, bool inMemory, bool temporary) {
  std::lock_guard guard(FLock);
  if (!HasBaseName(name)) return {-err::InvalidPath};
  const std::string registryName = RegistryName(name, inMemory);
  const int index = IndexOf(registryName, inMemory);
  if (index >= 0 && FFiles[index]->OpenCount > 0) return {-err::AccessDenied};
  TAbstractFile* file = index >= 0 ? FFiles[index].get() : Add(registryName, inMemory);
  file->Exclusive = true;
  file->Temporary = temporary;
  const int handle = file->CreateNew();
  return {handle, file, false};
}

TFileOpenResult TFileList::Open(const std::string& name, bool inMemory, bool temporary, bool exclusive,
                                bool forReading) {
  std::lock_guard guard(FLock);
  if (!HasBaseName(name)) return {-err::InvalidPath};
  const std::string registryName = RegistryName(name, inMemory);
  const int index = IndexOf(registryName, inMemory);
  TAbstractFile* file = nullptr;
  if (index < 0) {
    if (inMemory) return {-err::InvalidPath};
    file = Add(registryName, inMemory);
  } else {
    file = FFiles[index].get();
    if (file->OpenCount > 0 && (file->Exclusive || exclusive)) return {-err::AccessDenied};
    if (file->OpenCount > 0 && file->ReadOnly && !file->ReadOnlyAttribute && !forReading) return {-err::AccessDenied};
  }
  if (file->OpenCount == 0) {
    file->Exclusive = exclusive;
    file->Temporary = temporary;
    file->ReadOnly = forReading && !inMemory;
  }
  const int handle = file->OpenHandle();
  return {handle, file, file->ReadOnlyAttribute};
}

int TFileList::Close(TAbstractFile* file, bool inMemory, int handle) {
  std::lock_guard guard(FLock);
  const int index = IndexOf(file);
  if (index < 0 || file->InMemory() != inMemory || file->OpenCount <= 0) return -err::InvalidPath;
  if (int result = file->CloseHandle(handle)) return result;
  if (file->OpenCount > 0) return 0;
  // A non-temporary in-memory file keeps its content for later users until it is deleted.
  if (!inMemory || file->Temporary) Free(index);
  return 0;
}

int TFileList::RenameFile(TAbstractFile& file, const std::string& newName, bool inMemory) {
  if (!HasBaseName(newName)) return -err::InvalidPath;
  const std::string newRegistryName = RegistryName(newName, inMemory);
  if (IndexOf(newRegistryName, inMemory) >= 0) return -err::AccessDenied;
  return file.Rename(newRegistryName);
}

int TFileList::Rename(const std::string& name, bool inMemory, const std::string& newName) {
  std::lock_guard guard(FLock);
  if (!HasBaseName(name)) return -err::InvalidPath;
  const std::string registryName = RegistryName(name, inMemory);
  const int index = IndexOf(registryName, inMemory);
  if (index >= 0) {
    TAbstractFile& file = *FFiles[index];
    if (file.OpenCount > 0) return -err::AccessDenied;
    return RenameFile(file, newName, inMemory);
  }
  if (inMemory) return -err::InvalidPath;
  TPhysicalFile unregistered(registryName);
  return RenameFile(unregistered, newName, inMemory);
}

int TFileList::RenameHeld(TAbstractFile* file, bool inMemory, int handle, const std::string& newName) {
  std::lock_guard guard(FLock);
  const int index = HeldIndex(file, inMemory, handle);
  return index < 0 ? index : RenameFile(*file, newName, inMemory);
}

int TFileList::Delete(const std::string& name, bool inMemory) {
  std::lock_guard guard(FLock);
  if (!HasBaseName(name)) return -err::InvalidPath;
  const std::string registryName = RegistryName(name, inMemory);
  const int index = IndexOf(registryName, inMemory);
  if (index >= 0) {
    TAbstractFile& file = *FFiles[index];
    if (file.OpenCount > 0) return -err::AccessDenied;
    const int result = file.Delete();
    if (result == 0 || inMemory) Free(index);
    return result;
  }
  if (inMemory) return -err::InvalidPath;
  return TPhysicalFile(registryName).Delete();
}

int TFileList::DeleteHeld(TAbstractFile* file, bool inMemory, int handle) {
  std::lock_guard guard(FLock);
  const int index = HeldIndex(file, inMemory, handle);
  if (index < 0) return index;
  if (int result = file->Delete()) return result;
  Free(index);  // closes the handle and, with it, the hold
  return 0;
}

bool TFileList::Exists(const std::string& name, bool inMemory) {
  std::lock_guard guard(FLock);
  if (!HasBaseName(name)) return false;
  const std::string registryName = RegistryName(name, inMemory);
  const int index = IndexOf(registryName, inMemory);
  // A closed operating-system file is still registered after a failed open: ask the disk.
  if (index >= 0 && (inMemory || FFiles[index]->OpenCount > 0)) return true;
  if (inMemory) return false;
  platform::FileAttributes attributes;
  return platform::CurrentFileSystem().Attributes(registryName, attributes) == 0 && !attributes.directory;
}

int TFileList::CreateNewInMemory(const std::string& name) {
  std::lock_guard guard(FLock);
  if (Exists(name, true)) return 0;
  const TFileOpenResult created = Create(name, true, /*temporary=*/false);
  if (created.Handle < 0) return created.Handle;
  const int closed = Close(created.File, true, created.Handle);
  return closed < 0 ? closed : 1;
}

int TFileList::CopyTo(TAbstractFile* file, int handle, const std::string& newName, bool inMemory) {
  std::lock_guard guard(FLock);
  const TFileOpenResult target = Create(newName, inMemory, /*temporary=*/false);
  if (target.Handle < 0) return target.Handle;
  int result;
  {
    std::lock_guard sourceGuard(file->Lock());
    result = CopyContent(*file, handle, *target.File, target.Handle);
  }
  const int closed = Close(target.File, inMemory, target.Handle);
  return result ? result : closed;
}

int TFileList::CopyFrom(TAbstractFile* file, int handle, const std::string& sourceName, bool inMemory) {
  std::lock_guard guard(FLock);
  const TFileOpenResult source = Open(sourceName, inMemory, /*temporary=*/false, /*exclusive=*/true);
  if (source.Handle < 0) return source.Handle;
  int result;
  {
    std::lock_guard targetGuard(file->Lock());
    result = CopyContent(*source.File, source.Handle, *file, handle);
  }
  const int closed = Close(source.File, inMemory, source.Handle);
  return result ? result : closed;
}

}  // namespace sklad
