// TFileList: the process-wide registry of open files. It makes sure each file is opened by the
// operating system once per process, owns the file objects and hands out numbered handles.
// Operations answer a handle number or 0 on success and a negated engine code on failure.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "AbstractFile.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

struct TFileOpenResult {
  int Handle = 0;  // handle number, or the negated engine code
  TAbstractFile* File = nullptr;
  bool ReadOnly = false;  // the file's read-only attribute
};

class TFileList {
 public:
  // The one registry of the process.
  static TFileList& Instance();

  // Creates (or empties) the file for exclusive use.
  TFileOpenResult Create(const std::string& name, bool inMemory, bool temporary);
  // A disk file opened first for reading only stays so for every later user of the process;
  // one who asks to write while it is open so is refused with -11013.
  TFileOpenResult Open(const std::string& name, bool inMemory, bool temporary, bool exclusive,
                       bool forReading = false);
  int Close(TAbstractFile* file, bool inMemory, int handle);
  // A file in use by a user of this process, or open in another process, answers -11013.
  int Rename(const std::string& name, bool inMemory, const std::string& newName);
  int Delete(const std::string& name, bool inMemory);
  // Rename and delete of a file the caller holds through the one handle of an exclusive open:
  // the change is made before the hold ends, so no other user can open the file in between.
  // -11013 when the file is not held so. The deleted file's handle is gone; the renamed one's
  // stays open under the new name.
  int RenameHeld(TAbstractFile* file, bool inMemory, int handle, const std::string& newName);
  int DeleteHeld(TAbstractFile* file, bool inMemory, int handle);
  bool Exists(const std::string& name, bool inMemory);
  // Creates an empty in-memory file of a name no file has, the check and the creation under one
  // lock: 1 when created, 0 when the name is taken, or the negated engine code.
  int CreateNewInMemory(const std::string& name);
  // Copies the whole file to a new file of the same kind.
  int CopyTo(TAbstractFile* file, int handle, const std::string& newName, bool inMemory);
  // Appends the whole of another file of the same kind at this handle's position.
  int CopyFrom(TAbstractFile* file, int handle, const std::string& sourceName, bool inMemory);

  // The name under which a file is registered: operating-system files by their full path on disk.
  static std::string RegistryName(const std::string& name, bool inMemory);
  // Whether the name has a base name (not only a directory, an extension or blanks).
  static bool HasBaseName(const std::string& name);

  int Count() const;

 private:
  TFileList() = default;
  int IndexOf(const std::string& registryName, bool inMemory) const;
  int IndexOf(const TAbstractFile* file) const;
  // The registered file of this kind with this one handle of an exclusive open; -11010 for a
  // file the registry does not know, -11013 for one not held so.
  int HeldIndex(const TAbstractFile* file, bool inMemory, int handle) const;
  // Gives a file the new name unless the registry knows a file of that name.
  int RenameFile(TAbstractFile& file, const std::string& newName, bool inMemory);
  TAbstractFile* Add(const std::string& registryName, bool inMemory);
  void Free(int index);
  static std::unique_ptr<TAbstractFile> MakeFile(const std::string& registryName, bool inMemory);

  mutable std::recursive_mutex FLock;
  TSystemList<std::unique_ptr<TAbstractFile>> FFiles;
};

}  // namespace sklad
