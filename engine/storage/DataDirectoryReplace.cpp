// Replacing a table's files by those of another table, with the old files kept as backups until
// the new ones are in place.
#include "DataDirectory.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "TableNames.h"

namespace sklad {
namespace {

constexpr const char* kTableExtensions[] = {".DAT", ".IDX", ".BLB"};
constexpr const char* kBackupExtensions[] = {".DBK", ".IBK", ".BBK"};

// Renames the file when it exists; answers whether it did.
bool MoveIfPresent(const std::string& from, const std::string& to, bool inMemory) {
  TFileHandler file(from, inMemory);
  if (!file.Exists()) return false;
  file.Rename(to);
  return true;
}

void DeleteIfPresent(const std::string& name, bool inMemory) {
  TFileHandler file(name, inMemory);
  if (file.Exists()) file.Delete();
}

}  // namespace

void TDataDirectory::ReplaceTable(std::string_view name, bool inMemory, TDataDirectory& source,
                                  std::string_view sourceName, bool keepBackups) {
  DropUnusedTable(name, inMemory);
  source.DropUnusedTable(sourceName, inMemory);
  bool backedUp[3] = {false, false, false};
  bool movedIn[3] = {false, false, false};
  try {
    for (int i = 0; i < 3; ++i) {
      const std::string backup = FilePath(name, inMemory, kBackupExtensions[i]);
      DeleteIfPresent(backup, inMemory);
      backedUp[i] = MoveIfPresent(FilePath(name, inMemory, kTableExtensions[i]), backup, inMemory);
    }
    for (int i = 0; i < 3; ++i)
      movedIn[i] = MoveIfPresent(source.FilePath(sourceName, inMemory, kTableExtensions[i]),
                                 FilePath(name, inMemory, kTableExtensions[i]), inMemory);
  } catch (...) {
    // Undone in reverse; a step of the undoing that fails leaves the rest to be undone all the
    // same, and the first failure is the one reported.
    for (int i = 2; i >= 0; --i) {
      try {
        if (movedIn[i])
          TFileHandler(FilePath(name, inMemory, kTableExtensions[i]), inMemory)
              .Rename(source.FilePath(sourceName, inMemory, kTableExtensions[i]));
        if (backedUp[i])
          TFileHandler(FilePath(name, inMemory, kBackupExtensions[i]), inMemory)
              .Rename(FilePath(name, inMemory, kTableExtensions[i]));
      } catch (const ESkladEngineError&) {
      }
    }
    throw;
  }
  if (keepBackups) return;
  // The new table is in place; a backup that cannot be deleted now is replaced by the next one.
  for (const char* extension : kBackupExtensions) {
    try {
      DeleteIfPresent(FilePath(name, inMemory, extension), inMemory);
    } catch (const ESkladEngineError&) {
    }
  }
}

}  // namespace sklad
