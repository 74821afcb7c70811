// Table definition through the cursor: creating, deleting, renaming and emptying the table the
// cursor names, and reading its header without opening it.
#include "DataCursor.h"
#include "DataCursorWriting.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

TDefinitionCheckOptions TDataCursor::DefinitionCheckOptions() const { return {.TableName = FTableName}; }

void TDataCursor::CreateTable(TTableDefinition definition, bool overwrite) {
  CheckClosed();
  ValidateTableDefinition(definition, DefinitionCheckOptions());
  if (FDirectory.TableExists(FTableName, FInMemory)) {
    if (!overwrite) RaiseEngineError(err::TableExists, FTableName);
    // No file of the old table may outlive it (a BLOB file the new table would not have).
    FDirectory.DeleteTable(FTableName, FInMemory);
  }
  TDataTable* table = nullptr;
  try {
    table = FDirectory.CreateTable(FTableName, FInMemory, definition);
  } catch (...) {
    // The files made before the failure go with it; the data file is always made first.
    try {
      if (FDirectory.TableExists(FTableName, FInMemory)) FDirectory.DeleteTable(FTableName, FInMemory);
    } catch (const ESkladEngineError&) {
      // The creation's own failure is the one to report.
    }
    throw;
  }
  FDirectory.CloseTable(table);
}

void TDataCursor::DeleteTable() {
  CheckClosed();
  FDirectory.DeleteTable(FTableName, FInMemory);
}

void TDataCursor::RenameTable(std::string_view newName) {
  CheckClosed();
  FDirectory.RenameTable(FTableName, newName, FInMemory);
}

TDataFileHeader TDataCursor::ReadTableHeader() const {
  CheckClosed();
  TDataFile data(FDirectory.FilePath(FTableName, FInMemory, ".DAT"), FInMemory);
  data.Open();
  TDataFileHeader header = data.Header();
  data.Close();
  return header;
}

void TDataCursor::EmptyTable() {
  CheckDefinable();
  Writing([&] {
    FreeBlobBuffers(true);
    FTable->Empty();
    CommitChange(true, FTable->HasBlobFile(), true);
  });
  Recount();
  First();
}

}  // namespace sklad
