// THeldTableFiles: the files of one table, each that exists opened exclusively, for as long as a
// change deletes, renames or replaces them. All of them are taken before any is touched: a table
// that another user has open, in this process or in another, is refused with 11013 with every
// file left as it was, and no other user can open one of the files half-way through the change.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "engine/storage/file/FileHandler.h"
#include "TableNames.h"

namespace sklad {

class THeldTableFiles {
 public:
  // Opens each existing file exclusively; when one is in use, those already opened are closed
  // again and 11013 passes on.
  THeldTableFiles(const TTableFileNames& names, bool inMemory);

  bool Holds(int file) const { return FFiles[file] != nullptr; }
  // Deletes a held file; it is held no longer.
  void Delete(int file);
  // Gives every held file its new name. When one rename fails, the files already renamed get
  // their names back and the failure passes on.
  void RenameAll(const TTableFileNames& newNames);

 private:
  std::array<std::unique_ptr<TFileHandler>, kTableFileCount> FFiles;  // null where no file exists
};

}  // namespace sklad
