#include "engine/cursor/RecordsBitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/support/Iterations.h"

namespace sklad {
namespace {

TEST(RecordsBitmap, CountsOnlyWithinItsSize) {
  TRecordsBitmap bitmap;
  bitmap.SetSize(33);
  EXPECT_EQ(bitmap.WordCount(), 2);
  EXPECT_EQ(bitmap.Capacity(), 64);
  bitmap.SetAll();
  EXPECT_EQ(bitmap.Count(), 33);

  TRecordsBitmap inverted;
  inverted.SetSize(40);
  inverted.Invert();
  EXPECT_TRUE(inverted.Test(41));
  EXPECT_TRUE(inverted.Test(64));
  EXPECT_EQ(inverted.Count(), 40);
  EXPECT_EQ(inverted.Rank(41), 40);
}

TEST(RecordsBitmap, OutOfRangeRecordNumbersChangeNothing) {
  TRecordsBitmap bitmap;
  bitmap.SetSize(10);
  for (int32_t n : {0, -1, 33, 1000000, INT32_MIN, INT32_MAX}) {
    bitmap.SetBit(n);
    EXPECT_FALSE(bitmap.Test(n)) << n;
    bitmap.ClearBit(n);
  }
  EXPECT_EQ(bitmap.Count(), 0);
  EXPECT_EQ(bitmap.Rank(INT32_MAX), 0);
}

TEST(RecordsBitmap, SizeChangesKeepRetainedBitsAndZeroFreesStorage) {
  TRecordsBitmap bitmap;
  bitmap.SetSize(100);
  bitmap.SetBit(5);
  bitmap.SetBit(90);
  bitmap.SetSize(10);
  EXPECT_EQ(bitmap.Count(), 1);
  bitmap.SetSize(100);
  EXPECT_TRUE(bitmap.Test(90));  // kept in the storage that stayed
  EXPECT_EQ(bitmap.Allocated(), TRecordsBitmap::kGrowthStep);
  bitmap.SetSize(0);
  EXPECT_EQ(bitmap.Allocated(), 0);
  bitmap.SetSize(9000);  // grows in steps of 1024 bytes, zero-filled
  EXPECT_EQ(bitmap.Allocated(), 2048);
  EXPECT_EQ(bitmap.Count(), 0);
}

TEST(RecordsBitmap, NextAndPriorStopAtTheBitsThereAre) {
  TRecordsBitmap bitmap;
  bitmap.SetSize(100);
  for (int32_t n : {3, 40, 77}) bitmap.SetBit(n);
  int32_t pos = 0, ordinal = 0;
  EXPECT_FALSE(bitmap.NextSetBits(pos, 5, ordinal));
  EXPECT_EQ(pos, 77);
  EXPECT_EQ(ordinal, 3);
  EXPECT_TRUE(bitmap.PriorSetBits(pos, 2, ordinal));
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(ordinal, 1);
  EXPECT_FALSE(bitmap.PriorSetBits(pos, 1, ordinal));
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(bitmap.Rank(1), 0);
  EXPECT_EQ(bitmap.Rank(78), bitmap.Count());
}

TEST(RecordsBitmap, AndAndOrTreatMissingWordsAsZero) {
  TRecordsBitmap large, small;
  large.SetSize(200);
  large.SetAll();
  small.SetSize(20);
  small.SetBit(7);
  TRecordsBitmap either;
  either.Assign(large);
  large.AndWith(small);
  EXPECT_EQ(large.Count(), 1);
  EXPECT_TRUE(large.Test(7));
  either.OrWith(small);
  EXPECT_EQ(either.Count(), 200);
}

TEST(RecordsBitmapStack, RecyclesClearedBitmaps) {
  TRecordsBitmapStack& pool = TRecordsBitmapStack::Instance();
  TRecordsBitmap* none = nullptr;
  pool.Release(none);  // nothing
  TRecordsBitmap* bitmap = pool.Acquire();
  bitmap->SetSize(64);
  bitmap->SetBit(9);
  const int pooled = pool.PooledCount();
  TRecordsBitmap* given = bitmap;
  pool.Release(bitmap);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(pool.PooledCount(), pooled + 1);
  TRecordsBitmap* again = pool.Acquire();
  EXPECT_EQ(again, given);
  EXPECT_EQ(again->Size(), 64);
  EXPECT_EQ(again->Count(), 0);
  pool.Release(again);
}

// Rank, counts and the searches against a plain vector of booleans.
TEST(RecordsBitmap, RandomOperationsAgreeWithAPlainModel) {
  std::mt19937 random(7);
  const int rounds = sklad::testing::Iterations(40, 2000);
  for (int round = 0; round < rounds; ++round) {
    const int32_t size = 1 + static_cast<int32_t>(random() % 700);
    const int density = static_cast<int>(random() % 4);  // sparse, mixed, dense, full words
    TRecordsBitmap bitmap;
    bitmap.SetSize(size);
    std::vector<bool> model(size + 1);
    for (int32_t n = 1; n <= size; ++n) {
      const bool set = density == 3 ? n % 97 != 0 : static_cast<int>(random() % 4) < density;
      if (set) bitmap.SetBit(n), model[n] = true;
    }
    int32_t count = 0;
    for (int32_t n = 1; n <= size; ++n) {
      ASSERT_EQ(bitmap.Rank(n), count) << n;
      count += model[n];
    }
    ASSERT_EQ(bitmap.Count(), count);
    for (int probe = 0; probe < 50; ++probe) {
      const int32_t start = static_cast<int32_t>(random() % (size + 2));
      const int32_t wanted = 1 + static_cast<int32_t>(random() % 70);
      // Upward.
      int32_t expectPos = start, found = 0;
      for (int32_t n = std::max(start, 0) + 1; n <= size && found < wanted; ++n)
        if (model[n]) expectPos = n, ++found;
      int32_t pos = start, ordinal = 1000;
      ASSERT_EQ(bitmap.NextSetBits(pos, wanted, ordinal), found == wanted);
      ASSERT_EQ(pos, expectPos);
      ASSERT_EQ(ordinal, 1000 + found);
      // Downward.
      expectPos = start, found = 0;
      for (int32_t n = std::min(start, size + 1) - 1; n >= 1 && found < wanted; --n)
        if (model[n]) expectPos = n, ++found;
      pos = start, ordinal = 1000;
      ASSERT_EQ(bitmap.PriorSetBits(pos, wanted, ordinal), found == wanted);
      ASSERT_EQ(pos, expectPos);
      ASSERT_EQ(ordinal, 1000 - found);
      // Between two record numbers, beyond the size included.
      const int32_t to = static_cast<int32_t>(random() % (size + 40));
      int32_t between = 0;
      for (int32_t n = std::max(start, 0) + 1; n <= std::min(to, size); ++n) between += model[n];
      ASSERT_EQ(bitmap.CountBetween(start, to), between) << start << " " << to;
    }
  }
}

}  // namespace
}  // namespace sklad
