// TRecordsBitmap: a set of record numbers, one bit each, on which a cursor navigates, counts and
// combines its range, live-records and filter sets. Bitmaps are recycled through the process-wide
// pool TRecordsBitmapStack instead of being freed.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/storage/core/SystemList.h"

namespace sklad {

class TRecordsBitmap {
 public:
  // Storage grows in steps of this many bytes and never shrinks, except to nothing at size 0.
  static constexpr int32_t kGrowthStep = 1024;

  // Covers record numbers 1 … size; bits kept in retained storage are not cleared.
  void SetSize(int32_t size);
  int32_t Size() const { return FSize; }
  int32_t Capacity() const { return FCapacity; }
  int32_t WordCount() const { return FWordCount; }
  int32_t Allocated() const { return FAllocated; }

  // Record numbers outside 1 … capacity test false and change nothing.
  bool Test(int32_t n) const;
  void SetBit(int32_t n);
  void ClearBit(int32_t n);

  // Set bits among 1 … size.
  int32_t Count() const;
  // Set bits among 1 … n − 1.
  int32_t Rank(int32_t n) const;
  // Set bits among from + 1 … to, counted over those words only.
  int32_t CountBetween(int32_t from, int32_t to) const;
  // Walks upward from after `pos` (0: before the first) over set bits up to the size, moving pos
  // to each and adding 1 to `ordinal`; true when `count` bits were found. When fewer exist, pos
  // stays on the last set bit found.
  bool NextSetBits(int32_t& pos, int32_t count, int32_t& ordinal) const;
  // The mirror: downward from pos − 1, subtracting 1 from ordinal per bit.
  bool PriorSetBits(int32_t& pos, int32_t count, int32_t& ordinal) const;

  // Word by word over this bitmap's words; words the other bitmap lacks count as zero.
  void AndWith(const TRecordsBitmap& other);
  void OrWith(const TRecordsBitmap& other);
  // Complements every word, so bits between the size and the capacity become set.
  void Invert();
  void ClearAll();
  void SetAll();
  void Assign(const TRecordsBitmap& other);

 private:
  uint32_t Word(int32_t index) const { return index < FAllocated / 4 ? FBits[index] : 0; }
  // The bits of word `index` that lie within the size.
  uint32_t WordWithinSize(int32_t index) const;
  void Reserve(int32_t bytes);

  std::unique_ptr<uint32_t[]> FBits;
  int32_t FAllocated = 0;  // bytes of storage held
  int32_t FSize = 0;       // the highest record number covered
  int32_t FCapacity = 0;   // the size rounded up to a multiple of 32
  int32_t FWordCount = 0;  // capacity / 32
};

// The process-wide pool of spare bitmaps.
class TRecordsBitmapStack {
 public:
  static TRecordsBitmapStack& Instance();
  ~TRecordsBitmapStack();

  // The last pooled bitmap with every bit cleared (size and storage kept), or a new empty one.
  TRecordsBitmap* Acquire();
  // Puts the bitmap back into the pool and clears the reference; nothing for null.
  void Release(TRecordsBitmap*& bitmap);

  int PooledCount() const;

 private:
  TRecordsBitmapStack();

  mutable std::mutex FLock;
  TSystemList<TRecordsBitmap*> FBitmaps;
};

}  // namespace sklad
