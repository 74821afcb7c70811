// TResultTable: the table a materialised SELECT fills and its result cursor — created in the
// directory the statement chose, under the INTO name or a temporary name taken exclusively,
// held open exclusively by the cursor, and removed with the cursor when it is temporary.
#pragma once

#include <memory>
#include <string>

#include "engine/cursor/DataCursor.h"

namespace sklad {

class TDataDirectory;

class TResultTable {
 public:
  // An empty name makes a temporary table. An existing table of the INTO name is replaced.
  // The password of an encrypted result is known to the session only while the table opens.
  TResultTable(TDataDirectory& directory, const std::string& name, bool inMemory, TTableDefinition definition);
  ~TResultTable();
  TResultTable(const TResultTable&) = delete;
  TResultTable& operator=(const TResultTable&) = delete;

  TDataCursor& Cursor() const { return *FCursor; }

 private:
  void Create(TTableDefinition& definition);
  void Open(const std::string& password);

  TDataDirectory& FDirectory;
  std::string FName;
  bool FInMemory;
  bool FTemporary;
  std::unique_ptr<TDataCursor> FCursor;
};

}  // namespace sklad
