#include "ExpTokenStack.h"

#include <algorithm>
#include <vector>

namespace sklad {

TExpTokenStack& TExpTokenStack::Instance() {
  static TExpTokenStack pool;
  return pool;
}

TExpTokenStack::TExpTokenStack() { FNodes.SetCapacity(1024); }

TExpTokenStack::~TExpTokenStack() {
  for (TExpToken* node : FNodes) delete node;
}

int TExpTokenStack::PooledCount() const {
  std::lock_guard guard(FLock);
  return FNodes.Count();
}

void TExpTokenStack::Reset(TExpToken& node) {
  std::vector<uint8_t> value = std::move(node.Value);
  if (value.size() <= TExpToken::kValueStep)
    std::fill(value.begin(), value.end(), 0);
  else
    value = std::vector<uint8_t>(TExpToken::kValueStep);
  node = TExpToken();
  node.Value = std::move(value);
}

TExpToken* TExpTokenStack::Take() {
  TExpToken* node = nullptr;
  {
    std::lock_guard guard(FLock);
    if (FNodes.Count() > 0) {
      node = FNodes.Last();
      FNodes.Delete(FNodes.Count() - 1);
    }
  }
  if (!node) return new TExpToken();
  Reset(*node);
  return node;
}

void TExpTokenStack::Give(TExpToken*& node) {
  if (!node) return;
  {
    std::lock_guard guard(FLock);
    FNodes.Add(node);
  }
  node = nullptr;
}

// Iterative, so that a long IN list or a deep tree cannot exhaust the stack.
void TExpTokenStack::ReleaseTree(TExpToken*& root) {
  if (!root) return;
  std::vector<TExpToken*> pending{root};
  std::vector<TExpToken*> released;
  while (!pending.empty()) {
    TExpToken* node = pending.back();
    pending.pop_back();
    released.push_back(node);
    for (TExpToken* operand : {node->Next, node->Third, node->Second, node->First})
      if (operand) pending.push_back(operand);
  }
  std::lock_guard guard(FLock);
  for (auto it = released.rbegin(); it != released.rend(); ++it) FNodes.Add(*it);
  root = nullptr;
}

}  // namespace sklad
