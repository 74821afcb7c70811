// The byte-range locks through which processes share a table, all near offset 2^31 of its files:
//
//   file        bytes                                       held by
//   index, BLOB 2,147,483,647 - s  (slot s in 1..65,534)    a reader, one random slot byte
//   index, BLOB 2,147,418,112 .. +65,535                    the writer: every reader slot at once
//   data        2,147,483,647                               the writer, or a table in a transaction
//   data        2,147,483,646 - n  (record n)               the user editing record n
//
// A writer therefore waits until no reader is inside and readers wait while a writer is. The
// protocol locks retry every 3 ms, 8,192 times; record locks follow the session's retry count
// and wait time. Locks never wait inside the operating system.
#pragma once

#include <cstdint>

#include "engine/storage/file/FileHandler.h"

namespace sklad {

struct TTableLockLayout {
  static constexpr int64_t kReaderSlotBase = 2147483647;
  static constexpr uint16_t kReaderSlotCount = 65534;
  static constexpr int64_t kWriterRangeStart = 2147418112;
  static constexpr int64_t kWriterRangeLength = 65535;
  static constexpr int64_t kTransactionByte = 2147483647;
  static constexpr int64_t kRecordByteBase = 2147483646;
  static constexpr int kProtocolRetries = 8192;
  static constexpr int kProtocolWaitMs = 3;
};

// A reader slot byte; answers the slot taken, 0 when every attempt failed.
uint16_t LockReaderSlot(TFileHandler& file);
bool UnlockReaderSlot(TFileHandler& file, uint16_t slot);
bool LockWriterRange(TFileHandler& file);
bool UnlockWriterRange(TFileHandler& file);
bool LockTransactionByte(TFileHandler& file);
bool UnlockTransactionByte(TFileHandler& file);
// retryCount retries after the first attempt, waitMs milliseconds apart; record 0 and negative
// numbers are never locked.
bool LockRecordByte(TFileHandler& file, int32_t record, int retryCount, int waitMs);
bool UnlockRecordByte(TFileHandler& file, int32_t record);

}  // namespace sklad
