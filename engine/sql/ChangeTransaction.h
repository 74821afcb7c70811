// TChangeTransaction: the transaction an UPDATE, DELETE or INSERT ... SELECT changes its records
// in. Without an active transaction the statement starts its own, commits it every n changed
// records and at the end, and rolls it back when it ends by an error (what earlier intervals
// committed stays). Inside the caller's transaction it commits every n records only when the
// statement gave a COMMIT INTERVAL, and never ends that transaction.
#pragma once

#include <cstdint>

namespace sklad {

class TDataDirectory;

class TChangeTransaction {
 public:
  // The records a commit interval holds when the statement gives none: as many as fit in
  // 262,140 bytes, at most 8,191.
  static int32_t DefaultInterval(int recordLength);

  // interval: the statement's COMMIT INTERVAL, or 0 when it gave none.
  TChangeTransaction(TDataDirectory& directory, int32_t interval, int recordLength);
  // Rolls back a transaction of its own that Finish did not end.
  ~TChangeTransaction();
  TChangeTransaction(const TChangeTransaction&) = delete;
  TChangeTransaction& operator=(const TChangeTransaction&) = delete;

  // Counts one changed record; commits (and goes on) when the interval is full.
  void RecordChanged();
  // Commits a transaction of its own at the end of the statement.
  void Finish();

 private:
  TDataDirectory& FDirectory;
  bool FOwn = false;
  int32_t FInterval = 0;  // 0: no commits before the end
  int32_t FPending = 0;   // records changed since the last commit
};

}  // namespace sklad
