// TTableReadScope: holds a table's read lock for a block of code and releases it however the
// block ends, so that no other user writes while a walk over the table goes on.
#pragma once

#include "engine/storage/table/DataTable.h"

namespace sklad {

class TTableReadScope {
 public:
  explicit TTableReadScope(TDataTable& table) : FTable(table) { FTable.BeginRead(); }
  ~TTableReadScope() { FTable.EndRead(); }
  TTableReadScope(const TTableReadScope&) = delete;
  TTableReadScope& operator=(const TTableReadScope&) = delete;

 private:
  TDataTable& FTable;
};

}  // namespace sklad
