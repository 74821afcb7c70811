#include "engine/storage/core/SystemList.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace sklad {
namespace {

TEST(SystemList, GrowsInTheEngineSteps) {
  TSystemList<int> list;
  std::vector<int> capacities;
  for (int i = 0; i < 120; ++i) {
    const int before = list.Capacity();
    list.Add(i);
    if (list.Capacity() != before) capacities.push_back(list.Capacity());
  }
  // By 4 up to 8, by 16 from 9 to 64, then by a quarter.
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147}));
}

TEST(SystemList, InsertDeleteAndExchangeKeepOrder) {
  TSystemList<int> list;
  for (int v : {1, 2, 4}) list.Add(v);
  list.Insert(2, 3);
  list.Insert(0, 0);
  list.Delete(1);
  list.Exchange(0, 3);
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{4, 2, 3, 0}));
  EXPECT_EQ(list.IndexOf(3), 2);
  EXPECT_EQ(list.IndexOf(7), -1);
  EXPECT_EQ(list.First(), 4);
  EXPECT_EQ(list.Last(), 0);
}

TEST(SystemList, SetCountZeroFillsNewSlots) {
  TSystemList<int> list;
  for (int v : {5, 6, 7}) list.Add(v);
  list.SetCount(1);
  list.SetCount(4);
  EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{5, 0, 0, 0}));
}

TEST(SystemList, SortsWithTheCallersCompare) {
  std::mt19937 random(7);
  for (int size : {0, 1, 2, 3, 17, 1000}) {
    TSystemList<int> list;
    std::vector<int> expected;
    for (int i = 0; i < size; ++i) {
      const int v = static_cast<int>(random() % 50);  // many equal keys
      list.Add(v);
      expected.push_back(v);
    }
    list.Sort([](int a, int b) { return b - a; });  // descending
    std::sort(expected.rbegin(), expected.rend());
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), expected) << size;
  }
}

}  // namespace
}  // namespace sklad
