// TWalkStack: the stack of a tree walk that runs in a loop instead of recursing. Its first entries
// live inside the object, so that a walk over a short tree, such as evaluation runs record after
// record, takes no memory from the heap; longer walks spill into a vector.
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace sklad {

template <typename T, size_t InlineCount = 8>
class TWalkStack {
 public:
  bool Empty() const { return FCount == 0; }

  void Push(T value) {
    if (FCount < InlineCount)
      FInline[FCount] = std::move(value);
    else
      FSpilled.push_back(std::move(value));
    ++FCount;
  }

  // The last entry pushed; valid until the next Push or Pop.
  T& Top() { return FCount <= InlineCount ? FInline[FCount - 1] : FSpilled.back(); }

  T Pop() {
    T value = std::move(Top());
    if (FCount > InlineCount) FSpilled.pop_back();
    --FCount;
    return value;
  }

 private:
  std::array<T, InlineCount> FInline{};
  std::vector<T> FSpilled;
  size_t FCount = 0;
};

}  // namespace sklad
