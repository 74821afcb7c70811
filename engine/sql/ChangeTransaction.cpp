#include "ChangeTransaction.h"

#include <algorithm>

#include "engine/storage/table/DataDirectory.h"

namespace sklad {

int32_t TChangeTransaction::DefaultInterval(int recordLength) {
  constexpr int32_t kIntervalBytes = 262140;
  constexpr int32_t kLargestInterval = 8191;
  return std::clamp(kIntervalBytes / std::max(recordLength, 1), 1, kLargestInterval);
}

TChangeTransaction::TChangeTransaction(TDataDirectory& directory, int32_t interval, int recordLength)
    : FDirectory(directory) {
  if (FDirectory.InTransaction()) {
    FInterval = interval;
    return;
  }
  FDirectory.StartTransaction();
  FOwn = true;
  FInterval = interval > 0 ? interval : DefaultInterval(recordLength);
}

TChangeTransaction::~TChangeTransaction() {
  if (!FOwn) return;
  try {
    FDirectory.Rollback();
  } catch (...) {
    // The error that ended the statement is the one to report.
  }
}

void TChangeTransaction::RecordChanged() {
  if (FInterval == 0 || ++FPending < FInterval) return;
  FDirectory.Commit(true);
  FPending = 0;
}

void TChangeTransaction::Finish() {
  if (!FOwn) return;
  FDirectory.Commit();
  FOwn = false;
}

}  // namespace sklad
