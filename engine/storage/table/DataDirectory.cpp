#include "DataDirectory.h"

#include "DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "HeldTableFiles.h"
#include "engine/storage/file/TemporaryFileName.h"

namespace sklad {
namespace {

bool FileExists(const std::string& name, bool inMemory) { return TFileHandler(name, inMemory).Exists(); }

}  // namespace

TDataDirectory::TDataDirectory(TDataSession& session, std::string name, std::string path, std::string universalPath,
                               bool inMemory)
    : FSession(session),
      FName(std::move(name)),
      FPath(std::move(path)),
      FUniversalPath(std::move(universalPath)),
      FInMemory(inMemory) {}

TDataDirectory::~TDataDirectory() {
  try {
    Rollback();
  } catch (const ESkladEngineError&) {
    // The tables are freed below all the same; their destructors close the files.
  }
  FTables.Clear();
}

std::string TDataDirectory::FilePath(std::string_view name, bool inMemory, std::string_view extension) const {
  const std::string file = WithExtension(TrimmedName(name), extension);
  return inMemory ? file : FPath + file;
}

TTableFileNames TDataDirectory::FilePaths(std::string_view name, bool inMemory,
                                          const TTableExtensions& extensions) const {
  return WithExtensions(inMemory ? TrimmedName(name) : FPath + TrimmedName(name), extensions);
}

int TDataDirectory::IndexOf(std::string_view name, bool inMemory) const {
  const std::string wanted = WithExtension(TrimmedName(name), ".DAT");
  for (int i = 0; i < FTables.Count(); ++i)
    if (FTables[i]->InMemory() == inMemory && SameName(FTables[i]->Name(), wanted)) return i;
  return -1;
}

int TDataDirectory::IndexOf(const TDataTable* table) const {
  for (int i = 0; i < FTables.Count(); ++i)
    if (FTables[i].get() == table) return i;
  return -1;
}

void TDataDirectory::DropUnusedTable(std::string_view name, bool inMemory) {
  const int at = IndexOf(name, inMemory);
  if (at < 0) return;
  if (FTables[at]->References() > 0) RaiseEngineError(err::AccessDenied, TrimmedName(name));
  FTables[at]->Rollback();
  FTables.Delete(at);
}

TDataTable* TDataDirectory::CreateTable(std::string_view name, bool inMemory, const TTableDefinition& definition,
                                        const TTableOpenOptions& options) {
  if (TrimmedName(name).empty()) RaiseEngineError(err::InvalidPath, TrimmedName(name));
  DropUnusedTable(name, inMemory);
  auto table = std::make_unique<TDataTable>(*this, name, inMemory);
  table->Create(definition, options);
  if (FInTransaction) table->StartTransaction();
  FTables.Add(std::move(table));
  return FTables.Last().get();
}

TDataTable* TDataDirectory::OpenTable(std::string_view name, bool inMemory, const TTableOpenOptions& options,
                                      bool allowShared) {
  if (TrimmedName(name).empty()) RaiseEngineError(err::InvalidPath, TrimmedName(name));
  const int at = IndexOf(name, inMemory);
  TDataTable* table = at >= 0 ? FTables[at].get() : nullptr;
  if (table != nullptr && table->References() > 0) {
    if ((table->Exclusive() || options.Exclusive) && !allowShared) RaiseEngineError(err::AccessDenied, table->Name());
    table->AddReference();
    return table;
  }
  std::unique_ptr<TDataTable> made;
  if (table == nullptr) {
    made = std::make_unique<TDataTable>(*this, name, inMemory);
    table = made.get();
  }
  table->Open(options);
  try {
    if (FInTransaction) table->StartTransaction();
    table->CheckConsistency();
  } catch (...) {
    table->Rollback();
    table->Close();
    if (!made) FTables.Delete(IndexOf(table));
    throw;
  }
  if (made) FTables.Add(std::move(made));
  return table;
}

void TDataDirectory::CloseTable(TDataTable* table, bool discard) {
  const int at = IndexOf(table);
  if (at < 0) RaiseEngineError(err::InvalidPath);  // an unknown pointer is never followed
  table->Close(discard);
  if (table->References() == 0 && !table->InTransaction()) FTables.Delete(at);
}

void TDataDirectory::RenameTable(std::string_view name, std::string_view newName, bool inMemory, bool toBackup) {
  DropUnusedTable(name, inMemory);
  const std::string trimmedNew = TrimmedName(newName);
  const bool placed = inMemory || trimmedNew.find_first_of(":\\/") != std::string::npos;
  const TTableFileNames targets =
      WithExtensions(placed ? trimmedNew : FPath + trimmedNew, toBackup ? kBackupExtensions : kTableExtensions);
  THeldTableFiles files(FilePaths(name, inMemory, kTableExtensions), inMemory);
  if (toBackup)
    for (int i = 0; i < kTableFileCount; ++i)
      if (files.Holds(i) && FileExists(targets[i], inMemory)) TFileHandler(targets[i], inMemory).Delete();
  files.RenameAll(targets);
}

void TDataDirectory::DeleteTable(std::string_view name, bool inMemory) {
  DropUnusedTable(name, inMemory);
  const TTableFileNames paths = FilePaths(name, inMemory, kTableExtensions);
  THeldTableFiles files(paths, inMemory);
  // A missing index file is made anew at the next open, so a table need not have one.
  if (!files.Holds(0)) RaiseEngineError(err::InvalidPath, paths[0]);
  for (int i = 0; i < kTableFileCount; ++i)
    if (files.Holds(i)) files.Delete(i);
}

bool TDataDirectory::TableExists(std::string_view name, bool inMemory) {
  return IndexOf(name, inMemory) >= 0 || FileExists(FilePath(name, inMemory, ".DAT"), inMemory);
}

bool TDataDirectory::ReserveTableName(const std::string& name) {
  if (IndexOf(name, FInMemory) >= 0) return false;
  try {
    return CreateFileExclusively(FilePath(name, FInMemory, ".DAT"), FInMemory);
  } catch (const ESkladEngineError& error) {
    RaiseEngineError(error.Code(), name);
  }
}

std::string TDataDirectory::TemporaryTableName() {
  const std::string prefix = ThreadNamePrefix();
  for (int number = 0;; ++number) {
    const std::string name = prefix + std::to_string(number) + ".DAT";
    if (ReserveTableName(name)) return name;
  }
}

void TDataDirectory::StartTransaction() {
  if (FInTransaction) return;
  for (int i = 0; i < FTables.Count(); ++i) {
    try {
      FTables[i]->StartTransaction();
    } catch (...) {
      for (int j = 0; j < i; ++j) FTables[j]->Rollback();
      throw;
    }
  }
  FInTransaction = true;
}

void TDataDirectory::CloseUnusedTables() {
  for (int i = FTables.Count() - 1; i >= 0; --i)
    if (FTables[i]->References() == 0) {
      FTables[i]->Close();
      FTables.Delete(i);
    }
}

void TDataDirectory::Commit(bool continueTransaction) {
  if (!FInTransaction) return;
  for (const std::unique_ptr<TDataTable>& table : FTables) {
    if (continueTransaction)
      table->CommitAndContinue();
    else
      table->Commit();
  }
  if (continueTransaction) return;
  FInTransaction = false;
  CloseUnusedTables();
}

void TDataDirectory::Rollback() {
  if (!FInTransaction) return;
  for (const std::unique_ptr<TDataTable>& table : FTables) table->Rollback();
  FInTransaction = false;
  CloseUnusedTables();
}

}  // namespace sklad
