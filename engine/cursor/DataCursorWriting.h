// The write bracket of the cursor's changes, shared by the files that change a table: the
// read-only check, the table's write lock taken with BeginWrite and released on every path.
#pragma once

#include "DataCursor.h"

namespace sklad {

template <class TBody>
void TDataCursor::Writing(TBody&& body) {
  CheckWritable();
  BeginWrite();
  try {
    body();
  } catch (...) {
    try {
      EndWrite();
    } catch (...) {
      // The failure of the change is the one to report.
    }
    throw;
  }
  EndWrite();
}

}  // namespace sklad
