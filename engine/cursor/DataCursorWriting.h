// TDataCursor::Writing: the bracket of every change — the read-only check, the table's write
// lock (BeginWrite), the change, and EndWrite on every way out.
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
