// CheckTable: the consistency check of one open table — every index (primary, secondary and
// record-state) holds exactly the keys its records give, in the index's order, and the index
// header's record count is the number of active records. Used by tests after every kind of
// change and by tools that verify a table.
#pragma once

#include <string>
#include <vector>

namespace sklad {

class TDataTable;

// The findings, one readable line each; empty when the table is consistent. Runs under the
// table's read lock and starts again when another user's change interrupts it.
std::vector<std::string> CheckTable(TDataTable& table);

}  // namespace sklad
