// TSystemList: the engine's growable array, used by every engine class for its lists.
// It grows in the engine's steps (by 4 up to 8 items, by 16 up to 64, then by a quarter). Indexes
// outside the list are a bug of the caller: an invariant, checked in builds that check them.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "Invariant.h"

namespace sklad {

template <typename T>
class TSystemList {
 public:
  int Count() const { return FCount; }
  int Capacity() const { return static_cast<int>(FItems.size()); }

  T& operator[](int index) {
    SKLAD_INVARIANT(index >= 0 && index < FCount);
    return FItems[index];
  }
  const T& operator[](int index) const {
    SKLAD_INVARIANT(index >= 0 && index < FCount);
    return FItems[index];
  }
  T& First() { return (*this)[0]; }
  T& Last() { return (*this)[FCount - 1]; }

  T* begin() { return FItems.data(); }
  T* end() { return FItems.data() + FCount; }
  const T* begin() const { return FItems.data(); }
  const T* end() const { return FItems.data() + FCount; }

  int Add(T item) {
    if (FCount == Capacity()) Grow();
    FItems[FCount] = std::move(item);
    return FCount++;
  }

  void Insert(int index, T item) {
    SKLAD_INVARIANT(index >= 0 && index <= FCount);
    if (FCount == Capacity()) Grow();
    for (int i = FCount; i > index; --i) FItems[i] = std::move(FItems[i - 1]);
    FItems[index] = std::move(item);
    ++FCount;
  }

  void Delete(int index) {
    SKLAD_INVARIANT(index >= 0 && index < FCount);
    for (int i = index; i < FCount - 1; ++i) FItems[i] = std::move(FItems[i + 1]);
    FItems[--FCount] = T{};
  }

  void Exchange(int a, int b) { std::swap((*this)[a], (*this)[b]); }

  int IndexOf(const T& item) const {
    for (int i = 0; i < FCount; ++i)
      if (FItems[i] == item) return i;
    return -1;
  }

  // Never below the count.
  void SetCapacity(int capacity) {
    if (capacity >= FCount) FItems.resize(capacity);
  }

  // New slots are zero-filled.
  void SetCount(int count) {
    SKLAD_INVARIANT(count >= 0);
    if (count > Capacity()) SetCapacity(count);
    for (int i = count; i < FCount; ++i) FItems[i] = T{};
    FCount = count;
  }

  void Assign(const TSystemList& other) {
    FItems = other.FItems;
    FCount = other.FCount;
  }

  void Clear() {
    FItems.clear();
    FCount = 0;
  }

  // Quicksort with the middle element as pivot; compare answers <0, 0 or >0.
  template <typename Compare>
  void Sort(Compare compare) {
    if (FCount > 1) QuickSort(0, FCount - 1, compare);
  }

 private:
  void Grow() {
    const int capacity = Capacity();
    const int delta = capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4;
    SetCapacity(capacity + delta);
  }

  template <typename Compare>
  void QuickSort(int low, int high, Compare& compare) {
    while (low < high) {
      int i = low, j = high;
      const T pivot = FItems[low + (high - low) / 2];
      while (i <= j) {
        while (compare(FItems[i], pivot) < 0) ++i;
        while (compare(FItems[j], pivot) > 0) --j;
        if (i <= j) Exchange(i++, j--);
      }
      // Recurse into the smaller part, loop over the larger, to bound the stack depth.
      if (j - low < high - i) {
        if (low < j) QuickSort(low, j, compare);
        low = i;
      } else {
        if (i < high) QuickSort(i, high, compare);
        high = j;
      }
    }
  }

  std::vector<T> FItems;  // capacity slots, the first FCount in use
  int FCount = 0;
};

}  // namespace sklad
