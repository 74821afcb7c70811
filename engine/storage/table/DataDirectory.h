// TDataDirectory: one database — a folder on disk or the in-memory database — with the tables
// opened in it. A table opened by several cursors of the process is one shared TDataTable.
// Failures are raised as engine errors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "DataTable.h"
#include "engine/storage/core/SystemList.h"
#include "TableNames.h"

namespace sklad {

class TDataSession;

class TDataDirectory {
 public:
  TDataDirectory(TDataSession& session, std::string name, std::string path, std::string universalPath,
                 bool inMemory);
  // Rolls back a transaction and frees every table object.
  ~TDataDirectory();
  TDataDirectory(const TDataDirectory&) = delete;
  TDataDirectory& operator=(const TDataDirectory&) = delete;

  // A new table, created and left open. 11010 for an empty name, 11013 when a table of that
  // name is in use.
  TDataTable* CreateTable(std::string_view name, bool inMemory, const TTableDefinition& definition,
                          const TTableOpenOptions& options = {});
  // Opens the table or shares the table object other cursors use. Sharing fails with 11013 when
  // the table is open exclusively or exclusive use is asked for, unless allowShared. The first
  // cursor's open runs the consistency check.
  TDataTable* OpenTable(std::string_view name, bool inMemory, const TTableOpenOptions& options = {},
                        bool allowShared = false);
  // One cursor leaves the table; 11010 for a table not of this directory.
  void CloseTable(TDataTable* table, bool discard = false);
  // Renaming, deleting and replacing a table first hold all its files exclusively: 11013, with
  // every file as it was, when a cursor or another user (also of another process) has the
  // table, or any of its files, open.
  // To a backup the three files get ".DBK", ".IBK" and ".BBK". When one file cannot be renamed,
  // those already renamed get their names back.
  void RenameTable(std::string_view name, std::string_view newName, bool inMemory, bool toBackup = false);
  // The data file must exist; the index and BLOB files are deleted when they exist.
  void DeleteTable(std::string_view name, bool inMemory);
  bool TableExists(std::string_view name, bool inMemory);
  // Puts the table sourceName of the source directory (which may be this one) in place of the
  // table name: the old files become backups, the new ones are moved in (copied and removed
  // where they lie on another file system), then the backups are deleted. When a step before
  // the backups' deletion fails, the moved files go back to the source, the backups become the
  // table again, and the error passes on: the old table stays as it was. With keepBackups the
  // old files stay as ".DBK", ".IBK" and ".BBK" files.
  void ReplaceTable(std::string_view name, bool inMemory, TDataDirectory& source, std::string_view sourceName,
                    bool keepBackups = false);
  // A name for a new temporary table: up to five digits of the thread identifier, then the
  // first free number. Its data file is created at once, exclusively, so that no other user can
  // take the same name; the caller creates the table over it.
  std::string TemporaryTableName();
  // The file of a table with that extension: in the directory unless in memory.
  std::string FilePath(std::string_view name, bool inMemory, std::string_view extension) const;
  // The table's three files with these extensions.
  TTableFileNames FilePaths(std::string_view name, bool inMemory, const TTableExtensions& extensions) const;

  void StartTransaction();
  void Commit(bool continueTransaction = false);
  void Rollback();
  bool InTransaction() const { return FInTransaction; }

  TDataSession& Session() const { return FSession; }
  const std::string& Name() const { return FName; }
  const std::string& Path() const { return FPath; }
  const std::string& UniversalPath() const { return FUniversalPath; }
  bool InMemory() const { return FInMemory; }
  int TableCount() const { return FTables.Count(); }
  void AddReference() { ++FReferences; }
  int ReleaseReference() { return --FReferences; }

 private:
  int IndexOf(std::string_view name, bool inMemory) const;
  int IndexOf(const TDataTable* table) const;
  // Raises 11013 when cursors use the table; drops an unused table object of that name.
  void DropUnusedTable(std::string_view name, bool inMemory);
  void CloseUnusedTables();
  // Creates the data file of that name exclusively; false when the name is taken.
  bool ReserveTableName(const std::string& name);

  TDataSession& FSession;
  std::string FName;
  std::string FPath;
  std::string FUniversalPath;
  TSystemList<std::unique_ptr<TDataTable>> FTables;
  int FReferences = 1;
  bool FInTransaction = false;
  bool FInMemory;
};

}  // namespace sklad
