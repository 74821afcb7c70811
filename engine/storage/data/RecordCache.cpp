#include "RecordCache.h"

#include <algorithm>

#include "DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "RecordLayout.h"

namespace sklad {
namespace {

constexpr int kMaxCacheCapacity = 8191;
constexpr int64_t kCacheBytes = 131070;
constexpr int64_t kReadAheadBytes = 65535;
constexpr int kTransactionGrowth = 255;
constexpr int kRecentlyUsedChecked = 4;
// Outside a transaction, an eviction that passes more modified records than this writes them.
constexpr int kModifiedPassedBeforeWriting = 32;
// Up to this many records enter or leave the sorted cache one by one through a binary search;
// more are merged in or swept out in one pass over the cache.
constexpr int kSingleMoves = 16;
constexpr int64_t kBufferStep = 32767;
// Upcoming records this close to each other are read in one run, the records between included.
constexpr int32_t kUpcomingGap = 4;
// A write run is cut at this size, so that a long run of modified records (a transaction)
// never needs a buffer or a write count beyond 32 bits.
constexpr int64_t kMaxWriteRunBytes = 1 << 20;

}  // namespace

TRecordCache::TRecordCache(TDataFile& file) : FFile(file) {}

TRecordCache::~TRecordCache() = default;

void TRecordCache::Reset() {
  const int64_t recordSize = FFile.RecordSize();
  FNormalCapacity = recordSize == 0 ? kMaxCacheCapacity
                                    : static_cast<int>(std::min<int64_t>(kCacheBytes / recordSize, kMaxCacheCapacity));
  FReadAheadLimit = recordSize == 0 ? 1 : static_cast<int>(kReadAheadBytes / recordSize);
  FNormalCapacity = std::max(FNormalCapacity, 1);
  FReadAheadLimit = std::max(FReadAheadLimit, 1);
  FCapacity = FNormalCapacity;
  FCache.SetCapacity(std::max(FCapacity, FCache.Count()));
  FStatistics = {};
}

TRecord* TRecordCache::Cached(int32_t number) const {
  const int at = LowerBound(number);
  return at < FCache.Count() && FCache[at]->FNumber == number ? FCache[at] : nullptr;
}

int TRecordCache::LowerBound(int32_t number) const {
  int low = 0, high = FCache.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FCache[middle]->FNumber < number)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

TRecord* TRecordCache::Find(int32_t number) {
  TRecord* record = FNewest;
  for (int i = 0; i < kRecentlyUsedChecked && record; ++i, record = record->FOlder)
    if (record->FNumber == number) return record;
  return Cached(number);
}

TRecord* TRecordCache::GetRecord(int32_t number, const TReadAhead& readAhead, std::span<const int32_t> upcoming) {
  if (number <= 0) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
  if (number == FFile.FHeader.NextRecordNumber()) return Append(number);

  TRecord* record = Find(number);
  if (record) {
    ++FStatistics.Hits;
  } else {
    TDataFileOwner& owner = FFile.Owner();
    if (!owner.StrictChangeDetection() && owner.BeginCacheMissRead()) return nullptr;
    // Asked for only now, after the lock has re-read the header of a file another user changed.
    if (number >= FFile.FHeader.NextRecordNumber()) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
    if (!upcoming.empty()) {
      ReadUpcoming(number, upcoming);
    } else {
      const int32_t count = ReadCount(number, readAhead);
      ReadRun(readAhead.Direction == TReadDirection::Forward ? number : number - count + 1, count);
    }
    record = Cached(number);
    if (!record) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
  }
  MoveToFront(record);
  record->Pin();
  return record;
}

int32_t TRecordCache::ReadCount(int32_t number, const TReadAhead& readAhead) const {
  if (!readAhead.Wanted) return 1;
  const int32_t available = readAhead.Direction == TReadDirection::Forward
                                ? FFile.FHeader.NextRecordNumber() - number  // up to the last record
                                : number;                                    // down to record 1
  int32_t count = readAhead.GuidedCount > 0 ? readAhead.GuidedCount : available;
  count = std::min({count, available, static_cast<int32_t>(FReadAheadLimit)});
  return std::max(count, 1);
}

TRecord* TRecordCache::Append(int32_t number) {
  const int64_t next = number;
  if (next + 1 > kMaxRecordNumber || next * FFile.RecordSize() >= kMaxRecordBytes)
    RaiseEngineError(err::TableFull, FFile.FileName());
  TakeEntries(1);
  TRecord* record = FFresh[0];
  record->FNumber = number;
  record->Clear(false);
  // The new slot is written even if nothing is stored in it, so that the file always holds as
  // many records as the header announces.
  record->FModified = true;
  PushFront(record);
  InsertFresh();
  FFile.FHeader.SetNextRecordNumber(number + 1);
  FFile.MarkHeaderModified();
  record->Pin();
  return record;
}

void TRecordCache::ReadRun(int32_t first, int32_t count) {
  const int64_t recordSize = FFile.RecordSize();
  const int64_t length = int64_t{count} * recordSize;
  Grow(FReadBuffer, length);
  TDataFileOwner& owner = FFile.Owner();
  const bool shortReadAllowed = (owner.Exclusive() || owner.InTransaction()) && owner.WrittenTo();
  FReadOffset = FFile.RecordOffset(first);
  FReadLength = length;
  ++FStatistics.Reads;
  try {
    const int32_t got = FFile.ReadAt(FReadOffset, FReadBuffer.data(), static_cast<int32_t>(length), shortReadAllowed);
    Place(first, static_cast<int32_t>(got / recordSize), FReadBuffer.data());
  } catch (...) {
    FReadOffset = FReadLength = 0;
    throw;
  }
  FReadOffset = FReadLength = 0;
  ++FStatistics.ReadsCompleted;
}

// The wanted record and the upcoming ones not cached, up to the read-ahead limit and half the
// cache (so that the first of them are not evicted by the last), in runs of near neighbours.
void TRecordCache::ReadUpcoming(int32_t number, std::span<const int32_t> upcoming) {
  const int32_t end = FFile.FHeader.NextRecordNumber();
  const int limit = std::max(1, std::min(FReadAheadLimit, FCapacity / 2));
  FWanted.SetCount(0);
  FWanted.Add(number);
  for (const int32_t n : upcoming) {
    if (FWanted.Count() >= limit) break;
    if (n > 0 && n < end && n != number && Cached(n) == nullptr) FWanted.Add(n);
  }
  std::sort(FWanted.begin(), FWanted.end());
  const int32_t* last = std::unique(FWanted.begin(), FWanted.end());
  const int count = static_cast<int>(last - FWanted.begin());
  for (int i = 0; i < count;) {
    int j = i + 1;
    while (j < count && FWanted[j] - FWanted[j - 1] <= kUpcomingGap) ++j;
    ReadRun(FWanted[i], FWanted[j - 1] - FWanted[i] + 1);
    i = j;
  }
}

// The records of the run that are cached already are refreshed and become recent before room is
// made for the missing ones, so that making room never evicts records of the run itself, which
// the reader is about to visit.
void TRecordCache::Place(int32_t first, int32_t count, const uint8_t* bytes) {
  const int recordSize = FFile.RecordSize();
  FMissing.SetCount(0);
  int at = LowerBound(first);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t number = first + i;
    while (at < FCache.Count() && FCache[at]->FNumber < number) ++at;
    if (at < FCache.Count() && FCache[at]->FNumber == number) {
      TRecord& cached = *FCache[at];
      if (!cached.Pinned() && !cached.Modified()) cached.Load(bytes + int64_t{i} * recordSize);
      MoveToFront(&cached);
    } else {
      FMissing.Add(i);
    }
  }
  if (FMissing.Count() == 0) return;
  TakeEntries(FMissing.Count());
  for (int k = 0; k < FMissing.Count(); ++k) {
    TRecord* record = FFresh[k];
    record->FNumber = first + FMissing[k];
    record->Load(bytes + int64_t{FMissing[k]} * recordSize);
    PushFront(record);
  }
  InsertFresh();
}

// Fills FFresh with `count` unused records: from the pool while the cache has room, otherwise
// the least recently used records that are neither pinned nor modified. Every turn takes a record
// or grows the cache, so that the loop ends whatever the cache holds.
void TRecordCache::TakeEntries(int count) {
  FFresh.SetCount(0);
  FEvictedCount = 0;
  FEvicting.SetCount(0);
  int taken = 0;
  while (taken < count) {
    if (FCache.Count() - FEvictedCount + taken < FCapacity) {
      FFresh.Add(FStack.Take(FFile));
      ++taken;
      continue;
    }
    TRecord* victim = OldestEvictable(true);
    if (!victim && FFile.Owner().InTransaction()) {
      // Uncommitted changes may never be written: the cache grows instead, by half at least, so
      // that a long transaction looks for an evictable record only a logarithmic number of times.
      FCapacity += std::max(kTransactionGrowth, FCapacity / 2);
      FCache.SetCapacity(FCapacity);
      continue;
    }
    if (!victim) {
      RemoveEvicted();
      WriteModified(false);
      victim = OldestEvictable(false);
      if (!victim) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
    }
    Unlink(victim);
    victim->FEvicted = true;
    if (++FEvictedCount <= kSingleMoves) FEvicting.Add(victim);
    ++taken;
  }
  RemoveEvicted();
  for (TRecord* record : FFresh) {
    record->FEvicted = false;
    record->FModified = false;
    record->FPinCount = 0;
  }
}

// In a transaction a record holding an uncommitted change cannot be evicted: each one the search
// passes goes to the newest end of the recency list, so that the next searches do not pass it
// again, and a search that passes more of them than half the cache gives up, so that the cache
// grows instead of being searched through again and again. Outside a transaction a bounded
// search gives up after a few modified records that a write would make evictable, so that they
// are written instead of being passed again by every eviction. Modified records a write cannot
// reach (pinned, or inside the read in progress) do not count: writing would free none of them.
TRecord* TRecordCache::OldestEvictable(bool bounded) {
  const bool inTransaction = FFile.Owner().InTransaction();
  int passed = 0;
  TRecord* record = FOldest;
  for (int left = FCache.Count(); record && left > 0; --left) {
    TRecord* newer = record->FNewer;
    if (!record->Pinned() && !record->Modified()) return record;
    if (inTransaction && record->Modified()) {
      MoveToFront(record);
      if (++passed > FCapacity / 2) return nullptr;
    } else if (bounded && Writable(*record) && ++passed > kModifiedPassedBeforeWriting) {
      return nullptr;
    }
    record = newer;
  }
  return nullptr;
}

// Moves the records marked as evicted from the sorted cache into FFresh.
void TRecordCache::RemoveEvicted() {
  if (FEvictedCount == 0) return;
  if (FEvictedCount <= kSingleMoves) {
    // The evicted records are the ones TakeEntries unlinked from the recency list; each is found
    // by its number.
    for (int i = 0; i < FEvictedCount; ++i) {
      TRecord* record = FEvicting[i];
      FCache.Delete(LowerBound(record->FNumber));
      FFresh.Add(record);
    }
    FEvicting.SetCount(0);
    FEvictedCount = 0;
    return;
  }
  FEvicting.SetCount(0);
  int kept = 0;
  for (int i = 0; i < FCache.Count(); ++i) {
    if (FCache[i]->FEvicted)
      FFresh.Add(FCache[i]);
    else
      FCache[kept++] = FCache[i];
  }
  FCache.SetCount(kept);
  FEvictedCount = 0;
}

// Merges FFresh, whose numbers ascend, into the sorted cache.
void TRecordCache::InsertFresh() {
  const int old = FCache.Count();
  const int added = FFresh.Count();
  if (added <= kSingleMoves) {
    for (TRecord* record : FFresh) FCache.Insert(LowerBound(record->FNumber), record);
    FFresh.SetCount(0);
    return;
  }
  FCache.SetCount(old + added);
  int from = old - 1, fresh = added - 1, to = old + added - 1;
  while (fresh >= 0) {
    if (from >= 0 && FCache[from]->FNumber > FFresh[fresh]->FNumber)
      FCache[to--] = FCache[from--];
    else
      FCache[to--] = FFresh[fresh--];
  }
  FFresh.SetCount(0);
}

void TRecordCache::PushFront(TRecord* record) {
  record->FOlder = FNewest;
  record->FNewer = nullptr;
  if (FNewest) FNewest->FNewer = record;
  FNewest = record;
  if (!FOldest) FOldest = record;
}

void TRecordCache::Unlink(TRecord* record) {
  if (record->FNewer)
    record->FNewer->FOlder = record->FOlder;
  else
    FNewest = record->FOlder;
  if (record->FOlder)
    record->FOlder->FNewer = record->FNewer;
  else
    FOldest = record->FNewer;
  record->FOlder = record->FNewer = nullptr;
}

void TRecordCache::MoveToFront(TRecord* record) {
  if (FNewest == record) return;
  Unlink(record);
  PushFront(record);
}

void TRecordCache::ReleaseRecord(TRecord* record) {
  if (record) record->Unpin();
}

TRecord* TRecordCache::NewRecord() {
  TDataFileHeader& header = FFile.FHeader;
  const int32_t first = header.FirstFreeRecord();
  if (first == 0 || !FFile.Owner().HasPrimaryKey()) return GetRecord(header.NextRecordNumber());

  // A damaged free list must not hand out a live record or a slot outside the file.
  const int32_t next = header.NextRecordNumber();
  if (first < 1 || first >= next) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
  TRecord* record = GetRecord(first);
  if (!record) return nullptr;
  const int32_t link = record->FreeLink();
  if (record->State() != kRecordDeleted || link < 0 || link >= next || link == first) {
    record->Unpin();
    RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
  }
  header.SetFirstFreeRecord(link);
  FFile.MarkHeaderModified();
  record->Clear(false);  // active, carrying its own number again
  record->FModified = true;
  return record;
}

void TRecordCache::TakeBackAppended(TRecord* record) {
  TDataFileHeader& header = FFile.FHeader;
  const int32_t number = record->FNumber;
  const int at = LowerBound(number);
  if (number != header.NextRecordNumber() - 1 || at >= FCache.Count() || FCache[at] != record)
    RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
  FCache.Delete(at);
  Unlink(record);
  record->FPinCount = 0;
  record->FModified = false;
  FStack.Give(record);
  header.SetNextRecordNumber(number);
  FFile.MarkHeaderModified();
}

void TRecordCache::FreeRecord(TRecord& record) {
  if (record.State() == kRecordDeleted) return;  // already on the list (or deliberately left off it)
  TDataFileHeader& header = FFile.FHeader;
  record.SetState(kRecordDeleted);
  record.SetFreeLink(FFile.Owner().HasPrimaryKey() ? header.FirstFreeRecord() : 0);
  header.SetFirstFreeRecord(record.Number());
  FFile.MarkHeaderModified();
}

bool TRecordCache::InReadRange(const TRecord& record) const {
  if (FReadLength == 0) return false;
  const int64_t offset = FFile.RecordOffset(record.FNumber);
  return offset + FFile.RecordSize() > FReadOffset && offset < FReadOffset + FReadLength;
}

bool TRecordCache::Writable(const TRecord& record) const {
  return record.Modified() && !record.Pinned() && !InReadRange(record);
}

bool TRecordCache::WriteModified(bool flush) {
  FCollected.SetCount(0);
  for (TRecord* record : FCache)
    if (Writable(*record)) FCollected.Add(record);
  if (FCollected.Count() == 0) return false;

  const int64_t recordSize = FFile.RecordSize();
  const int64_t maxRunLength = std::max<int64_t>(kMaxWriteRunBytes / recordSize, 1);
  int from = 0;
  for (int i = 1; i <= FCollected.Count(); ++i) {
    if (i == FCollected.Count() || FCollected[i]->FNumber != FCollected[i - 1]->FNumber + 1 ||
        i - from >= maxRunLength) {
      WriteRun(from, i);
      from = i;
    }
  }
  TDataFileOwner& owner = FFile.Owner();
  if (flush || owner.ForceBufferFlush()) FFile.Flush();
  owner.MarkWrittenTo();
  return true;
}

void TRecordCache::WriteRun(int from, int to) {
  const int64_t recordSize = FFile.RecordSize();
  const int64_t length = int64_t{to - from} * recordSize;
  Grow(FWriteBuffer, length);
  for (int i = from; i < to; ++i) FCollected[i]->Store(FWriteBuffer.data() + int64_t{i - from} * recordSize);
  FFile.WriteAt(FFile.RecordOffset(FCollected[from]->FNumber), FWriteBuffer.data(), static_cast<int32_t>(length));
  for (int i = from; i < to; ++i) FCollected[i]->FModified = false;
  ++FStatistics.Writes;
}

void TRecordCache::Empty() {
  for (TRecord* record : FCache) FStack.Give(record);
  FCache.SetCount(0);
  FNewest = FOldest = nullptr;
}

void TRecordCache::Shrink() {
  FCapacity = FNormalCapacity;
  for (int i = FCapacity; i < FCache.Count(); ++i) {
    Unlink(FCache[i]);
    FStack.Give(FCache[i]);
  }
  if (FCache.Count() > FCapacity) FCache.SetCount(FCapacity);
}

void TRecordCache::Grow(std::vector<uint8_t>& buffer, int64_t size) {
  if (static_cast<int64_t>(buffer.size()) >= size) return;
  buffer.resize(static_cast<size_t>((size + kBufferStep - 1) / kBufferStep * kBufferStep));
}

}  // namespace sklad
