#include "TableLocks.h"

#include <chrono>
#include <random>
#include <thread>

namespace sklad {
namespace {

using Layout = TTableLockLayout;

void SleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint16_t RandomSlot() {
  thread_local std::minstd_rand random(std::random_device{}());
  const uint16_t slot = static_cast<uint16_t>(random() % (Layout::kReaderSlotCount + 1));
  return slot == 0 ? 1 : slot;
}

int64_t ReaderSlotByte(uint16_t slot) { return Layout::kReaderSlotBase - slot; }

// Tries the lock, then retries as often as allowed with the wait in between.
template <typename Attempt>
bool WithRetries(int retries, int waitMs, Attempt attempt) {
  for (int tried = 0;; ++tried) {
    if (attempt()) return true;
    if (tried == retries) return false;
    SleepMs(waitMs);
  }
}

}  // namespace

uint16_t LockReaderSlot(TFileHandler& file) {
  uint16_t slot = 0;
  const bool locked = WithRetries(Layout::kProtocolRetries, Layout::kProtocolWaitMs, [&] {
    slot = RandomSlot();
    return file.LockRange(ReaderSlotByte(slot), 1);
  });
  return locked ? slot : 0;
}

bool UnlockReaderSlot(TFileHandler& file, uint16_t slot) { return file.UnlockRange(ReaderSlotByte(slot), 1); }

bool LockWriterRange(TFileHandler& file) {
  return WithRetries(Layout::kProtocolRetries, Layout::kProtocolWaitMs,
                     [&] { return file.LockRange(Layout::kWriterRangeStart, Layout::kWriterRangeLength); });
}

bool UnlockWriterRange(TFileHandler& file) {
  return file.UnlockRange(Layout::kWriterRangeStart, Layout::kWriterRangeLength);
}

bool LockTransactionByte(TFileHandler& file) {
  return WithRetries(Layout::kProtocolRetries, Layout::kProtocolWaitMs,
                     [&] { return file.LockRange(Layout::kTransactionByte, 1); });
}

bool UnlockTransactionByte(TFileHandler& file) { return file.UnlockRange(Layout::kTransactionByte, 1); }

bool LockRecordByte(TFileHandler& file, int32_t record, int retryCount, int waitMs) {
  if (record <= 0) return false;
  return WithRetries(retryCount, waitMs, [&] { return file.LockRange(Layout::kRecordByteBase - record, 1); });
}

bool UnlockRecordByte(TFileHandler& file, int32_t record) {
  return record > 0 && file.UnlockRange(Layout::kRecordByteBase - record, 1);
}

}  // namespace sklad
