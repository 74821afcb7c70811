// TExpTokenStack: the process-wide pool of spare expression nodes. Every node of every tree is
// taken from it and given back to it. TExpTree holds a tree and gives it back when it goes.
#pragma once

#include <memory>
#include <mutex>

#include "ExpToken.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TExpTokenStack {
 public:
  static TExpTokenStack& Instance();
  ~TExpTokenStack();

  // A reset node: the last pooled one, or a new one when the pool is empty.
  TExpToken* Take();
  // Gives one node back (not its operands) and clears the caller's reference.
  void Give(TExpToken*& node);
  // Gives back a whole tree, operands and list items before the node, and clears the caller's
  // reference.
  void ReleaseTree(TExpToken*& root);

  // Spare nodes: the shared ones and those the calling thread keeps.
  int PooledCount() const;

 private:
  struct ThreadSpares;
  static ThreadSpares& Spares();

  TExpTokenStack();
  static void Reset(TExpToken& node);

  mutable std::mutex FLock;
  TSystemList<TExpToken*> FNodes;
};

struct TExpTreeReleaser {
  void operator()(TExpToken* root) const { TExpTokenStack::Instance().ReleaseTree(root); }
};

// An owned expression tree (or a lone value node) that goes back to the pool when released.
using TExpTree = std::unique_ptr<TExpToken, TExpTreeReleaser>;

inline TExpTree TakeNode() { return TExpTree(TExpTokenStack::Instance().Take()); }

}  // namespace sklad
