// The whole-table check behind `sklad check`: the records and their free list, every index walked
// against the records, and every record's BLOB values followed through their block chains
// together with the free-block list, so that blocks shared by two values show. The header and
// definition checks have run when the table was opened.
#pragma once

#include <string>
#include <vector>

namespace sklad {
class TDataCursor;
}

namespace sklad::tool {

struct TScanReport {
  std::vector<std::string> Checked;   // what was checked, with its counts, one line each
  std::vector<std::string> Findings;  // every piece of damage, one line each
};

TScanReport ScanTable(TDataCursor& cursor);

}  // namespace sklad::tool
