#include "RecordsBitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

constexpr int32_t kBitsPerWord = 32;

}  // namespace

void TRecordsBitmap::Reserve(int32_t bytes) {
  if (bytes <= FAllocated) return;
  const int32_t allocated = (bytes + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
  std::unique_ptr<uint32_t[]> bits(new (std::nothrow) uint32_t[allocated / 4]());
  if (!bits) RaiseEngineError(err::OutOfMemory);
  if (FBits) std::memcpy(bits.get(), FBits.get(), static_cast<size_t>(FAllocated));
  FBits = std::move(bits);
  FAllocated = allocated;
}

void TRecordsBitmap::SetSize(int32_t size) {
  if (size == FSize) return;
  size = std::clamp(size, 0, INT32_MAX - kBitsPerWord);
  FSize = size;
  FCapacity = static_cast<int32_t>((static_cast<int64_t>(size) + kBitsPerWord - 1) / kBitsPerWord * kBitsPerWord);
  FWordCount = FCapacity / kBitsPerWord;
  if (size == 0) {
    FBits.reset();
    FAllocated = 0;
    return;
  }
  Reserve(FWordCount * 4);
}

bool TRecordsBitmap::Test(int32_t n) const {
  if (n <= 0 || n > FCapacity) return false;
  return (Word((n - 1) / kBitsPerWord) >> ((n - 1) % kBitsPerWord)) & 1;
}

void TRecordsBitmap::SetBit(int32_t n) {
  if (n <= 0 || n > FCapacity) return;
  FBits[(n - 1) / kBitsPerWord] |= 1u << ((n - 1) % kBitsPerWord);
}

void TRecordsBitmap::ClearBit(int32_t n) {
  if (n <= 0 || n > FCapacity) return;
  FBits[(n - 1) / kBitsPerWord] &= ~(1u << ((n - 1) % kBitsPerWord));
}

uint32_t TRecordsBitmap::WordWithinSize(int32_t index) const {
  const uint32_t word = Word(index);
  const int32_t bitsBefore = index * kBitsPerWord;
  if (bitsBefore + kBitsPerWord <= FSize) return word;
  if (bitsBefore >= FSize) return 0;
  return word & ((1u << (FSize - bitsBefore)) - 1);
}

int32_t TRecordsBitmap::Count() const {
  int32_t count = 0;
  for (int32_t i = 0; i < FWordCount; ++i) {
    const uint32_t word = WordWithinSize(i);
    count += word == UINT32_MAX ? kBitsPerWord : std::popcount(word);
  }
  return count;
}

int32_t TRecordsBitmap::Rank(int32_t n) const {
  if (n <= 1) return 0;
  const int32_t last = std::min(n - 1, FSize);  // bits 1 … last
  int32_t rank = 0;
  for (int32_t i = 0; i < last / kBitsPerWord; ++i) rank += std::popcount(Word(i));
  if (const int32_t rest = last % kBitsPerWord)
    rank += std::popcount(Word(last / kBitsPerWord) & ((1u << rest) - 1));
  return rank;
}

int32_t TRecordsBitmap::CountBetween(int32_t from, int32_t to) const {
  from = std::max(from, 0);
  const int32_t last = std::min(to, FSize);
  if (last <= from) return 0;
  // Record n is bit n − 1: the set bits from the first word counted up to a bit position.
  const int32_t firstWord = from / kBitsPerWord;
  auto below = [&](int32_t position) {
    int32_t count = 0;
    for (int32_t i = firstWord; i < position / kBitsPerWord; ++i) count += std::popcount(Word(i));
    if (const int32_t rest = position % kBitsPerWord)
      count += std::popcount(Word(position / kBitsPerWord) & ((1u << rest) - 1));
    return count;
  };
  return below(last) - below(from);
}

bool TRecordsBitmap::NextSetBits(int32_t& pos, int32_t count, int32_t& ordinal) const {
  int32_t found = 0;
  int32_t n = std::max(pos, 0);  // the last record number passed
  while (found < count && n < FSize) {
    const int32_t index = n / kBitsPerWord;
    const uint32_t word = WordWithinSize(index) & (UINT32_MAX << (n % kBitsPerWord));
    if (word == 0) {
      n = (index + 1) * kBitsPerWord;
      continue;
    }
    // A whole word of ones within the size is taken in one step when 32 or more are wanted.
    if (word == UINT32_MAX && count - found >= kBitsPerWord) {
      found += kBitsPerWord;
      ordinal += kBitsPerWord;
      n = pos = (index + 1) * kBitsPerWord;
      continue;
    }
    n = index * kBitsPerWord + std::countr_zero(word) + 1;
    pos = n;
    ++found;
    ++ordinal;
  }
  return found == count;
}

bool TRecordsBitmap::PriorSetBits(int32_t& pos, int32_t count, int32_t& ordinal) const {
  int32_t found = 0;
  int32_t n = std::min(pos, FSize + 1);  // the record numbers below n are still to be walked
  while (found < count && n > 1) {
    const int32_t index = (n - 2) / kBitsPerWord;
    const int32_t bitsBelow = (n - 2) % kBitsPerWord + 1;  // bits of this word below n
    const uint32_t mask = bitsBelow == kBitsPerWord ? UINT32_MAX : (1u << bitsBelow) - 1;
    const uint32_t word = WordWithinSize(index) & mask;
    if (word == 0) {
      n = index * kBitsPerWord + 1;
      continue;
    }
    if (word == UINT32_MAX && count - found >= kBitsPerWord) {
      found += kBitsPerWord;
      ordinal -= kBitsPerWord;
      n = pos = index * kBitsPerWord + 1;
      continue;
    }
    n = index * kBitsPerWord + (kBitsPerWord - std::countl_zero(word));
    pos = n;
    ++found;
    --ordinal;
  }
  return found == count;
}

void TRecordsBitmap::AndWith(const TRecordsBitmap& other) {
  for (int32_t i = 0; i < FWordCount; ++i) FBits[i] &= other.Word(i);
}

void TRecordsBitmap::OrWith(const TRecordsBitmap& other) {
  for (int32_t i = 0; i < FWordCount; ++i) FBits[i] |= other.Word(i);
}

void TRecordsBitmap::Invert() {
  for (int32_t i = 0; i < FWordCount; ++i) FBits[i] = ~FBits[i];
}

void TRecordsBitmap::ClearAll() {
  if (FBits) std::memset(FBits.get(), 0, static_cast<size_t>(FAllocated));
}

void TRecordsBitmap::SetAll() {
  if (FBits) std::memset(FBits.get(), 0xFF, static_cast<size_t>(FAllocated));
}

void TRecordsBitmap::Assign(const TRecordsBitmap& other) {
  if (&other == this) return;
  Reserve(other.FAllocated);
  if (FBits) std::memset(FBits.get(), 0, static_cast<size_t>(FAllocated));
  if (other.FBits) std::memcpy(FBits.get(), other.FBits.get(), static_cast<size_t>(other.FAllocated));
  FSize = other.FSize;
  FCapacity = other.FCapacity;
  FWordCount = other.FWordCount;
}

TRecordsBitmapStack& TRecordsBitmapStack::Instance() {
  static TRecordsBitmapStack pool;
  return pool;
}

TRecordsBitmapStack::TRecordsBitmapStack() { FBitmaps.SetCapacity(512); }

TRecordsBitmapStack::~TRecordsBitmapStack() {
  for (TRecordsBitmap* bitmap : FBitmaps) delete bitmap;
}

TRecordsBitmap* TRecordsBitmapStack::Acquire() {
  TRecordsBitmap* bitmap = nullptr;
  {
    std::lock_guard guard(FLock);
    if (FBitmaps.Count() > 0) {
      bitmap = FBitmaps.Last();
      FBitmaps.Delete(FBitmaps.Count() - 1);
    }
  }
  if (!bitmap) return new TRecordsBitmap();
  bitmap->ClearAll();
  return bitmap;
}

void TRecordsBitmapStack::Release(TRecordsBitmap*& bitmap) {
  if (!bitmap) return;
  std::lock_guard guard(FLock);
  FBitmaps.Add(bitmap);
  bitmap = nullptr;
}

int TRecordsBitmapStack::PooledCount() const {
  std::lock_guard guard(FLock);
  return FBitmaps.Count();
}

}  // namespace sklad
