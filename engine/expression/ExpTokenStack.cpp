#include "ExpTokenStack.h"

#include <algorithm>
#include <vector>

namespace sklad {

// Each thread keeps a few spare nodes of its own in front of the shared pool, so that evaluating
// record after record takes and gives nodes without taking the pool's lock. They go to the shared
// pool when the thread ends (for the main thread, before the pool itself goes).
struct TExpTokenStack::ThreadSpares {
  static constexpr int kCapacity = 32;
  TExpToken* nodes[kCapacity];
  int count = 0;

  ~ThreadSpares() {
    TExpTokenStack& pool = Instance();
    std::lock_guard guard(pool.FLock);
    while (count > 0) pool.FNodes.Add(nodes[--count]);
  }
};

TExpTokenStack::ThreadSpares& TExpTokenStack::Spares() {
  thread_local ThreadSpares spares;
  return spares;
}

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
  return FNodes.Count() + Spares().count;
}

void TExpTokenStack::Reset(TExpToken& node) {
  std::vector<uint8_t> value = std::move(node.Value);
  if (value.size() <= TExpToken::kValueStep)
    std::fill(value.begin(), value.end(), 0);
  else
    value = std::vector<uint8_t>(TExpToken::kValueStep);
  node = TExpToken(std::move(value));
}

TExpToken* TExpTokenStack::Take() {
  TExpToken* node = nullptr;
  if (ThreadSpares& spares = Spares(); spares.count > 0) {
    node = spares.nodes[--spares.count];
  } else {
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
  if (ThreadSpares& spares = Spares(); spares.count < ThreadSpares::kCapacity) {
    spares.nodes[spares.count++] = node;
  } else {
    std::lock_guard guard(FLock);
    FNodes.Add(node);
  }
  node = nullptr;
}

// Iterative, so that a long IN list or a deep tree cannot exhaust the stack.
void TExpTokenStack::ReleaseTree(TExpToken*& root) {
  if (!root) return;
  if (!root->First && !root->Second && !root->Third && !root->Next) return Give(root);  // a value node
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
