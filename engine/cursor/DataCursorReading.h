// TDataCursor::Reading: the bracket of every cursor operation — BeginRead, the operation, and
// a fresh start from a resynchronised cursor when a read found another user's change; EndRead.
#pragma once

#include "DataCursor.h"
#include "engine/storage/index/IndexReadRestart.h"

namespace sklad {

template <class TBody>
auto TDataCursor::Reading(TBody&& body) {
  BeginRead();
  struct TEnd {
    TDataCursor* Cursor;
    ~TEnd() { Cursor->EndRead(); }
  } end{this};
  for (;;) {
    try {
      return body();
    } catch (const EIndexReadRestart&) {
      // Only the outermost operation starts again, from a resynchronised cursor.
      if (FReadDepth > 1) throw;
      // The resynchronisation reads too, and may find yet another change.
      for (bool resynchronised = false; !resynchronised;) {
        try {
          TableChanged();
          Resynchronise();
          resynchronised = true;
        } catch (const EIndexReadRestart&) {
        }
      }
    }
  }
}

}  // namespace sklad
