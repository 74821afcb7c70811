// The record sort of a table without indexes (a materialised query result): all active records
// are ordered by a list of fields, renumbered 1..n and rewritten in place, optionally keeping one
// record per distinct key or folding groups of equal keys through the query language's hooks.
// Tables wholly in the record cache are sorted in memory; others through sorted run files and a
// merge.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/data/FieldDefinition.h"
#include "SortEmitter.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataFile;

// The memory the sort may use for the records and keys of one run (and for the merge buffers).
struct TSortLimits {
  int64_t RunBytes = 2097120;
  int32_t MaxRunRecords = 8191;
};

struct TSortRequest {
  // Copies of the table's definitions of the sort fields; SortDescending marks descending ones.
  TSystemList<TFieldDefinition> Fields;
  // String fields compare upper-cased with the table's locale.
  bool CaseInsensitive = false;
  TSortMode Mode = TSortMode::Plain;
  TSortHooks Hooks;
  // Where run files are made: the session's temporary directory, ending in a separator.
  std::string RunDirectory;
  TSortLimits Limits;
};

// Sorts the records of a table open exclusively without indexes. Deleted slots are dropped. The
// file ends after the records written and the header (marked modified, not yet written) carries
// the new next record number. Answers the number of records written. Run files are removed, also
// when an error of the file layer or of a hook passes on; an error before the output is written
// (while the runs are made) leaves the table's records as they were.
int32_t SortRecords(TDataFile& file, const TSortRequest& request);

}  // namespace sklad
