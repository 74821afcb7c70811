// TRecordCache: the record cache of a data file. It keeps recently used records sorted by
// number with a recency list, reads runs of neighbouring records with one read, writes modified
// records back in runs of consecutive numbers, appends records and keeps the free-record list
// through which deleted slots are reused. Pinned records are never evicted or refreshed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Record.h"
#include "RecordStack.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataFile;

struct TRecordCacheStatistics {
  int64_t Hits = 0;
  int64_t Reads = 0;
  int64_t ReadsCompleted = 0;
  int64_t Writes = 0;
};

enum class TReadDirection { Forward, Backward };

// How many records a cache miss reads: one, or a run of neighbours. A cursor that knows which
// records it will visit next supplies their count (bitmap-guided); otherwise a forward run goes
// to the end of the file and a backward run to record 1, both within the read-ahead limit.
struct TReadAhead {
  bool Wanted = false;
  int32_t GuidedCount = 0;  // 0 = no guidance
  TReadDirection Direction = TReadDirection::Forward;
};

class TRecordCache {
 public:
  // The most records a table can hold, and the byte offset its records may not reach.
  static constexpr int64_t kMaxRecordNumber = 100000000;
  static constexpr int64_t kMaxRecordBytes = 2000000001;

  explicit TRecordCache(TDataFile& file);
  ~TRecordCache();
  TRecordCache(const TRecordCache&) = delete;
  TRecordCache& operator=(const TRecordCache&) = delete;

  // Sizes the cache for the file's record size and resets the statistics (after an open).
  void Reset();

  // The record, pinned; the next record number appends a new record. Answers nullptr when the
  // table's read lock found another user's change: the caches were emptied, restart the work.
  // A cursor in index order may name the records it visits next, wherever they lie, in place of
  // a read-ahead: on a miss the ones not cached are read with it, near neighbours in one read.
  [[nodiscard]] TRecord* GetRecord(int32_t number, const TReadAhead& readAhead = {},
                                   std::span<const int32_t> upcoming = {});
  void ReleaseRecord(TRecord* record);
  // The pinned, active record an insert must use: a reused deleted slot (tables with a primary
  // key) or a new record at the end. nullptr as for GetRecord.
  [[nodiscard]] TRecord* NewRecord();
  // Takes back the record NewRecord appended for an insert that failed: it leaves the cache
  // unwritten and the file ends before it again.
  void TakeBackAppended(TRecord* record);
  // The record becomes deleted and heads the free-record list.
  void FreeRecord(TRecord& record);
  // Writes modified, unpinned records in runs; answers whether anything was written.
  bool WriteModified(bool flush);
  // Gives every record back to the pool without writing.
  void Empty();
  // Back to the normal capacity; the highest-numbered records beyond it go to the pool.
  void Shrink();

  int Count() const { return FCache.Count(); }
  int Capacity() const { return FCapacity; }
  int NormalCapacity() const { return FNormalCapacity; }
  int ReadAheadLimit() const { return FReadAheadLimit; }
  const TRecordCacheStatistics& Statistics() const { return FStatistics; }
  // The cached record of that number, or nullptr; does not count as a use.
  TRecord* Cached(int32_t number) const;

 private:
  TRecord* Append(int32_t number);
  TRecord* Find(int32_t number);
  int LowerBound(int32_t number) const;
  int32_t ReadCount(int32_t number, const TReadAhead& readAhead) const;
  void ReadRun(int32_t first, int32_t count);
  void ReadUpcoming(int32_t number, std::span<const int32_t> upcoming);
  void Place(int32_t first, int32_t count, const uint8_t* bytes);
  void TakeEntries(int count);
  TRecord* OldestEvictable(bool bounded);
  void RemoveEvicted();
  void InsertFresh();
  void PushFront(TRecord* record);
  void Unlink(TRecord* record);
  void MoveToFront(TRecord* record);
  bool InReadRange(const TRecord& record) const;
  // Modified, unpinned and outside the read in progress: what WriteModified writes.
  bool Writable(const TRecord& record) const;
  void WriteRun(int from, int to);
  static void Grow(std::vector<uint8_t>& buffer, int64_t size);

  TDataFile& FFile;
  TRecordStack FStack;
  TSystemList<TRecord*> FCache;  // sorted by record number; the records belong to FStack
  TRecord* FNewest = nullptr;
  TRecord* FOldest = nullptr;
  TSystemList<TRecord*> FFresh;                  // entries being made for a read or an append
  TSystemList<TRecord*> FEvicting;               // the first records TakeEntries evicted
  TSystemList<int32_t> FMissing;                 // numbers of a read run not yet cached
  TSystemList<int32_t> FWanted;                  // upcoming numbers to read, sorted
  TSystemList<TRecord*> FCollected;              // records collected for writing
  TRecordCacheStatistics FStatistics;
  int FCapacity = 0;
  int FNormalCapacity = 0;
  int FReadAheadLimit = 1;
  int FEvictedCount = 0;
  int64_t FReadOffset = 0;  // the range of the read in progress; length 0 when none
  int64_t FReadLength = 0;
  std::vector<uint8_t> FReadBuffer;
  std::vector<uint8_t> FWriteBuffer;
};

}  // namespace sklad
