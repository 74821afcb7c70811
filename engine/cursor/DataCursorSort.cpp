// The table sort through the cursor: a table without indexes (a materialised query result) is
// sorted in place by the record sort, and its record-state index made anew for the new numbers.
#include "DataCursor.h"
#include "DataCursorWriting.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

int32_t TDataCursor::SortTable(TSortRequest request) {
  CheckDefinable();
  const TIndexFile& file = FTable->Index();
  if (!file.NoPrimaryKey() || file.SecondaryCount() > 0) return file.RecordCount();
  request.RunDirectory = FTable->Session().TemporaryDirectory();
  Writing([&] {
    // The sort renumbers the records: the record-state index must describe the new numbers.
    SortRecords(FTable->Data(), request);
    RebuildRecordStates();
    CommitChange(true, false, true);
  });
  RestartAfterDefinitionChange(FIndexNumber);
  return file.RecordCount();
}

}  // namespace sklad
