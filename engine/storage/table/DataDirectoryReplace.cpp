// Replacing a table's files by those of another table, with the old files kept as backups until
// the new ones are in place.
#include "DataDirectory.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "HeldTableFiles.h"

namespace sklad {

void TDataDirectory::ReplaceTable(std::string_view name, bool inMemory, TDataDirectory& source,
                                  std::string_view sourceName, bool keepBackups) {
  DropUnusedTable(name, inMemory);
  source.DropUnusedTable(sourceName, inMemory);
  const TTableFileNames tableFiles = FilePaths(name, inMemory, kTableExtensions);
  const TTableFileNames backups = FilePaths(name, inMemory, kBackupExtensions);
  // Both tables are held whole before any file moves: a table in use is refused as it is, and
  // nobody opens a file half-way through the swap.
  THeldTableFiles old(tableFiles, inMemory);
  THeldTableFiles replacement(source.FilePaths(sourceName, inMemory, kTableExtensions), inMemory);
  for (const std::string& backup : backups) {
    TFileHandler file(backup, inMemory);
    if (file.Exists()) file.Delete();
  }
  old.RenameAll(backups);
  try {
    replacement.RenameAll(tableFiles);
  } catch (...) {
    try {
      old.RenameAll(tableFiles);
    } catch (const ESkladEngineError&) {
      // The failure that ended the swap is the one to report.
    }
    throw;
  }
  if (keepBackups) return;
  // The new table is in place; a backup that cannot be deleted now is replaced by the next one.
  for (int i = 0; i < kTableFileCount; ++i) {
    try {
      if (old.Holds(i)) old.Delete(i);
    } catch (const ESkladEngineError&) {
    }
  }
}

}  // namespace sklad
