#include "IndexTree.h"

#include <algorithm>

#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

// No tree of 2,000,000,000 / 4,096 pages is deeper than this; a longer descent runs in a cycle.
constexpr int kMaxDepth = 32;

}  // namespace

TIndexTree::TPath::~TPath() {
  for (const TStep& step : FSteps) FFile.ReleasePage(step.Page);
}

TIndexTree::TIndexTree(TIndexFile& file, int slot, const TKeyOrder& order)
    : FFile(file), FSlot(slot), FOrder(order), FKeyLength(order.KeyLength()) {}

void TIndexTree::RaiseCorrupt() const { RaiseEngineError(err::IndexBuffersCorrupt, FFile.FileName()); }

TPage* TIndexTree::RootPage() {
  TPage* root = FFile.GetPage(FSlot, FFile.Root(FSlot));
  if (!root->IsRoot() || root->Count() == 0 || root->KeyLength() != FKeyLength) {
    FFile.ReleasePage(root);
    RaiseCorrupt();
  }
  root->Parent = 0;
  return root;
}

TPage* TIndexTree::Child(TPage& parent, int entry) {
  TPage* child = FFile.GetPage(FSlot, parent.Value(entry));
  if (child->IsRoot() || child->Count() == 0 || child == &parent) {
    FFile.ReleasePage(child);
    RaiseCorrupt();
  }
  child->Parent = parent.Offset;
  return child;
}

int TIndexTree::LowerBound(const TPage& page, const uint8_t* key, int length) const {
  int low = 0, high = page.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FOrder.Compare(page.Key(middle), key, length) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

int TIndexTree::UpperBound(const TPage& page, const uint8_t* key, int length) const {
  int low = 0, high = page.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FOrder.Compare(page.Key(middle), key, length) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

uint32_t TIndexTree::KeysBefore(const TPage& page, int entry) const {
  if (page.IsLeaf()) return static_cast<uint32_t>(entry);
  uint32_t total = 0;
  for (int i = 0; i < entry; ++i) total += page.SubtreeCount(i);
  return total;
}

void TIndexTree::DescendTo(TPath& path, const uint8_t* key, int length, TChoice choice) {
  path.Push(RootPage());
  for (int depth = 0; !path.Leaf().Page->IsLeaf(); ++depth) {
    if (depth >= kMaxDepth) RaiseCorrupt();
    TStep& step = path.Leaf();
    const int bound =
        choice == TChoice::LastNotAbove ? UpperBound(*step.Page, key, length) : LowerBound(*step.Page, key, length);
    step.Position = std::max(bound - 1, 0);
    TPage* parent = step.Page;
    path.Push(Child(*parent, step.Position));
  }
}

uint32_t TIndexTree::Descend(TPath& path, const uint8_t* key, int length, TChoice choice) {
  DescendTo(path, key, length, choice);
  uint32_t before = 0;
  for (int level = 0; level + 1 < path.Depth(); ++level) before += KeysBefore(*path[level].Page, path[level].Position);
  return before;
}

TKeyLocation TIndexTree::LocationIn(const TPage& leaf, int entry, uint32_t ordinal) const {
  return TKeyLocation{ordinal, leaf.Offset, entry, leaf.Value(entry)};
}

uint32_t TIndexTree::KeyCount() {
  if (Empty()) return 0;
  TPinned root(FFile, RootPage());
  return root->KeyCount();
}

void TIndexTree::InsertKey(const uint8_t* key, uint32_t recordNumber) {
  if (Empty()) {
    TPinned root(FFile, FFile.NewPage(FSlot));
    root->SetType(TPageType::LeafRoot);
    root->Insert(0, key, recordNumber, 1);
    FFile.SetRoot(FSlot, root->Offset);
    return;
  }
  TPath path(FFile);
  DescendTo(path, key, FKeyLength, TChoice::LastNotAbove);
  const int leafLevel = path.Depth() - 1;
  const int position = LowerBound(*path.Leaf().Page, key, FKeyLength);
  for (int level = 0; level < leafLevel; ++level) {
    TStep& step = path[level];
    step.Page->SetSubtreeCount(step.Position, step.Page->SubtreeCount(step.Position) + 1);
    MarkModified(*step.Page);
  }
  InsertIntoPage(path, leafLevel, position, key, recordNumber, 1);
}

void TIndexTree::DeleteKey(const uint8_t* key) {
  if (Empty()) RaiseCorrupt();
  TPath path(FFile);
  DescendTo(path, key, FKeyLength, TChoice::LastNotAbove);
  const int leafLevel = path.Depth() - 1;
  TPage& leaf = *path.Leaf().Page;
  const int position = LowerBound(leaf, key, FKeyLength);
  if (position == leaf.Count() || FOrder.Compare(leaf.Key(position), key, FKeyLength) != 0) RaiseCorrupt();
  for (int level = 0; level < leafLevel; ++level) {
    TStep& step = path[level];
    if (step.Page->SubtreeCount(step.Position) == 0) RaiseCorrupt();
    step.Page->SetSubtreeCount(step.Position, step.Page->SubtreeCount(step.Position) - 1);
    MarkModified(*step.Page);
  }
  DeleteFromPage(path, leafLevel, position);
}

void TIndexTree::ReplaceKey(const uint8_t* oldKey, const uint8_t* newKey, uint32_t recordNumber) {
  DeleteKey(oldKey);
  InsertKey(newKey, recordNumber);
}

void TIndexTree::FreeAllPages() {
  if (Empty()) return;
  FreeSubtree(FFile.Root(FSlot), 0);
  FFile.SetRoot(FSlot, 0);
}

void TIndexTree::FreeSubtree(uint32_t offset, int depth) {
  if (depth >= kMaxDepth) RaiseCorrupt();
  TPinned page(FFile, FFile.GetPage(FSlot, offset));
  // A page reached twice (freed already) or without entries: the tree is damaged.
  if (page->Freed || page->Count() == 0) RaiseCorrupt();
  if (!page->IsLeaf())
    for (int entry = 0; entry < page->Count(); ++entry) FreeSubtree(page->Value(entry), depth + 1);
  FFile.FreePage(page.Get());
}

bool TIndexTree::KeyExists(const uint8_t* key, int length) {
  const TKeyLocation found = FirstNotBelow(key, length);
  if (found.Ordinal == 0) return false;
  TPinned leaf(FFile, FFile.GetPage(FSlot, found.Leaf));
  if (found.Entry >= leaf->Count()) RaiseCorrupt();
  return FOrder.Compare(leaf->Key(found.Entry), key, length) == 0;
}

TKeyLocation TIndexTree::KeyAt(uint32_t ordinal, uint8_t* keyOut) {
  if (Empty() || ordinal == 0) return {};
  TPath path(FFile);
  path.Push(RootPage());
  if (ordinal > path.Leaf().Page->KeyCount()) return {};
  uint32_t remaining = ordinal;
  for (int depth = 0; !path.Leaf().Page->IsLeaf(); ++depth) {
    if (depth >= kMaxDepth) RaiseCorrupt();
    TStep& step = path.Leaf();
    int entry = 0;
    while (entry < step.Page->Count() && remaining > step.Page->SubtreeCount(entry))
      remaining -= step.Page->SubtreeCount(entry++);
    if (entry == step.Page->Count()) RaiseCorrupt();
    step.Position = entry;
    TPage* parent = step.Page;
    path.Push(Child(*parent, entry));
  }
  const TPage& leaf = *path.Leaf().Page;
  if (remaining > static_cast<uint32_t>(leaf.Count())) RaiseCorrupt();
  const int entry = static_cast<int>(remaining) - 1;
  if (keyOut != nullptr) std::copy_n(leaf.Key(entry), FKeyLength, keyOut);
  return LocationIn(leaf, entry, ordinal);
}

TKeyLocation TIndexTree::FirstNotBelow(const uint8_t* key, int length, uint8_t* keyOut) {
  if (Empty()) return {};
  TPath path(FFile);
  const uint32_t before = Descend(path, key, length, TChoice::LastBelow);
  const TPage& leaf = *path.Leaf().Page;
  const int position = LowerBound(leaf, key, length);
  if (position < leaf.Count()) {
    if (keyOut != nullptr) std::copy_n(leaf.Key(position), FKeyLength, keyOut);
    return LocationIn(leaf, position, before + static_cast<uint32_t>(position) + 1);
  }
  // Every key of this leaf is below: the answer is the first key of the next leaf, if any.
  if (leaf.Next == 0) return {};
  TPinned next(FFile, FFile.GetPage(FSlot, leaf.Next));
  if (!next->IsLeaf() || next->Count() == 0) RaiseCorrupt();
  if (FOrder.Compare(next->Key(0), key, length) < 0) return {};
  if (keyOut != nullptr) std::copy_n(next->Key(0), FKeyLength, keyOut);
  return LocationIn(*next, 0, before + static_cast<uint32_t>(leaf.Count()) + 1);
}

TKeyLocation TIndexTree::LastNotAbove(const uint8_t* key, int length) {
  if (Empty()) return {};
  TPath path(FFile);
  const uint32_t before = Descend(path, key, length, TChoice::LastNotAbove);
  const TPage& leaf = *path.Leaf().Page;
  const int notAbove = UpperBound(leaf, key, length);
  if (notAbove == 0) return {};  // only met at the first leaf: every key is above
  return LocationIn(leaf, notAbove - 1, before + static_cast<uint32_t>(notAbove));
}

uint32_t TIndexTree::CountInRange(const uint8_t* low, const uint8_t* high, int length) {
  if (FOrder.Compare(low, high, length) > 0) return 0;
  const uint32_t first = FirstNotBelow(low, length).Ordinal;
  if (first == 0) return 0;
  const uint32_t last = LastNotAbove(high, length).Ordinal;
  return last >= first ? last - first + 1 : 0;
}

int TIndexTree::ConsecutiveRun(const TKeyLocation& from, int direction, int limit) {
  TPage* page = FFile.GetPage(FSlot, from.Leaf);
  int entry = from.Entry;
  int run = 0;
  try {
    if (!page->IsLeaf() || entry >= page->Count()) RaiseCorrupt();
    const uint32_t start = page->Value(entry);
    while (run < limit) {
      entry += direction;
      if (entry < 0 || entry >= page->Count()) {
        const uint32_t neighbour = direction > 0 ? page->Next : page->Previous;
        if (neighbour == 0) break;
        TPage* next = FFile.GetPage(FSlot, neighbour);
        FFile.ReleasePage(page);
        page = next;
        if (!page->IsLeaf() || page->Count() == 0) RaiseCorrupt();
        entry = direction > 0 ? 0 : page->Count() - 1;
      }
      if (page->Value(entry) != start + static_cast<uint32_t>(direction * (run + 1))) break;
      ++run;
    }
  } catch (...) {
    FFile.ReleasePage(page);
    throw;
  }
  FFile.ReleasePage(page);
  return run;
}

TKeyLocation TIndexTree::WalkUntil(const TKeyLocation& from, int direction,
                                   const std::function<bool(const TKeyLocation&, const uint8_t*)>& stop) {
  if (from.Ordinal == 0) return {};
  TPage* page = FFile.GetPage(FSlot, from.Leaf);
  try {
    if (!page->IsLeaf() || from.Entry < 0 || from.Entry >= page->Count()) RaiseCorrupt();
    int entry = from.Entry;
    uint32_t ordinal = from.Ordinal;
    for (;;) {
      const TKeyLocation here = LocationIn(*page, entry, ordinal);
      if (stop(here, page->Key(entry))) {
        FFile.ReleasePage(page);
        return here;
      }
      entry += direction;
      ordinal += static_cast<uint32_t>(direction);
      if (entry >= 0 && entry < page->Count()) continue;
      const uint32_t neighbour = direction > 0 ? page->Next : page->Previous;
      if (neighbour == 0) break;
      TPage* next = FFile.GetPage(FSlot, neighbour);
      FFile.ReleasePage(page);
      page = next;
      if (!page->IsLeaf() || page->Count() == 0) RaiseCorrupt();
      entry = direction > 0 ? 0 : page->Count() - 1;
    }
  } catch (...) {
    FFile.ReleasePage(page);
    throw;
  }
  FFile.ReleasePage(page);
  return {};
}

void TIndexTree::PropagateFirstKey(TPath& path, int level) {
  for (int l = level; l > 0; --l) {
    TStep& parent = path[l - 1];
    parent.Page->SetKey(parent.Position, path[l].Page->Key(0));
    MarkModified(*parent.Page);
    if (parent.Position != 0) break;
  }
}

void TIndexTree::InsertIntoPage(TPath& path, int level, int position, const uint8_t* key, uint32_t value,
                                uint32_t count) {
  TPage& page = *path[level].Page;
  page.Insert(position, key, value, count);
  MarkModified(page);
  if (position == 0 && level > 0) PropagateFirstKey(path, level);
  if (page.Overfull()) SplitPage(path, level);
}

void TIndexTree::SplitPage(TPath& path, int level) {
  TPage& old = *path[level].Page;
  const bool wasRoot = old.IsRoot();
  const TPageType type = old.IsLeaf() ? TPageType::Leaf : TPageType::Internal;
  TPinned created(FFile, FFile.NewPage(FSlot));
  TPage& page = *created;
  old.SetType(type);
  page.SetType(type);
  const int moved = old.Count() / 2;
  old.MoveEntriesTo(page, old.Count() - moved, moved, 0);
  if (old.Compressed()) {
    while (old.Overfull() && old.Count() > 1) old.MoveEntriesTo(page, old.Count() - 1, 1, 0);
    while (page.Overfull() && page.Count() > 1) page.MoveEntriesTo(old, 0, 1, old.Count());
    if (old.Overfull() || page.Overfull()) RaiseCorrupt();
  }
  page.Next = old.Next;
  page.Previous = old.Offset;
  page.Parent = old.Parent;
  if (old.Next != 0) {
    TPinned following(FFile, FFile.GetPage(FSlot, old.Next));
    following->Previous = page.Offset;
    MarkModified(*following);
  }
  old.Next = page.Offset;
  MarkModified(old);
  if (wasRoot) {
    TPinned root(FFile, FFile.NewPage(FSlot));
    root->SetType(TPageType::InternalRoot);
    root->Insert(0, old.Key(0), old.Offset, old.KeyCount());
    root->Insert(1, page.Key(0), page.Offset, page.KeyCount());
    old.Parent = page.Parent = root->Offset;
    FFile.SetRoot(FSlot, root->Offset);
    return;
  }
  TStep& parent = path[level - 1];
  parent.Page->SetSubtreeCount(parent.Position, old.KeyCount());
  InsertIntoPage(path, level - 1, parent.Position + 1, page.Key(0), page.Offset, page.KeyCount());
}

void TIndexTree::Unlink(TPage& page) {
  if (page.Previous != 0) {
    TPinned previous(FFile, FFile.GetPage(FSlot, page.Previous));
    previous->Next = page.Next;
    MarkModified(*previous);
  }
  if (page.Next != 0) {
    TPinned next(FFile, FFile.GetPage(FSlot, page.Next));
    next->Previous = page.Previous;
    MarkModified(*next);
  }
}

void TIndexTree::DeleteFromPage(TPath& path, int level, int position) {
  TPage& page = *path[level].Page;
  page.Remove(position);
  MarkModified(page);
  if (page.Count() > 0 && position == 0 && level > 0) PropagateFirstKey(path, level);
  if (page.Compressed()) {
    if (page.Count() > 0) return;
    if (level == 0) {
      FFile.FreePage(&page);
      FFile.SetRoot(FSlot, 0);
      return;
    }
    Unlink(page);
    FFile.FreePage(&page);
    DeleteFromPage(path, level - 1, path[level - 1].Position);
    return;
  }
  if (page.Underfull()) Rebalance(path, level);
}

void TIndexTree::CollapseRoot(TPage& root) {
  TPinned child(FFile, FFile.GetPage(FSlot, root.Value(0)));
  if (child->IsRoot() || child.Get() == &root) RaiseCorrupt();
  child->SetType(child->IsLeaf() ? TPageType::LeafRoot : TPageType::InternalRoot);
  child->Parent = child->Previous = child->Next = 0;
  MarkModified(*child);
  FFile.SetRoot(FSlot, child->Offset);
  FFile.FreePage(&root);
}

void TIndexTree::Rebalance(TPath& path, int level) {
  TPage& page = *path[level].Page;
  if (level == 0) {
    if (page.IsLeaf() ? page.Count() == 0 : page.Count() <= 1) {
      if (page.Count() == 1) {
        CollapseRoot(page);
      } else {
        FFile.FreePage(&page);
        FFile.SetRoot(FSlot, 0);
      }
    }
    return;
  }
  TStep& parent = path[level - 1];
  if (parent.Position > 0) {
    MergeOrShareWithLeft(path, level);
  } else if (parent.Page->Count() > 1) {
    MergeOrShareWithRight(path, level);
  } else {
    RaiseCorrupt();  // a page below the root that is its parent's only child
  }
}

void TIndexTree::MergeOrShareWithLeft(TPath& path, int level) {
  TPage& page = *path[level].Page;
  TStep& parent = path[level - 1];
  TPinned left(FFile, Child(*parent.Page, parent.Position - 1));
  if (left.Get() == &page || left->IsLeaf() != page.IsLeaf() || left->Next != page.Offset) RaiseCorrupt();
  const int total = left->Count() + page.Count();
  if (total < page.Capacity()) {
    page.MoveEntriesTo(*left, 0, page.Count(), left->Count());
    left->Next = page.Next;
    if (page.Next != 0) {
      TPinned next(FFile, FFile.GetPage(FSlot, page.Next));
      next->Previous = left->Offset;
      MarkModified(*next);
    }
    MarkModified(*left);
    parent.Page->SetSubtreeCount(parent.Position - 1, left->KeyCount());
    FFile.FreePage(&page);
    DeleteFromPage(path, level - 1, parent.Position);
    return;
  }
  const int leftWants = (total + 1) / 2;
  if (left->Count() > leftWants) left->MoveEntriesTo(page, leftWants, left->Count() - leftWants, 0);
  if (left->Count() < leftWants) page.MoveEntriesTo(*left, 0, leftWants - left->Count(), left->Count());
  MarkModified(*left);
  MarkModified(page);
  parent.Page->SetKey(parent.Position, page.Key(0));
  parent.Page->SetSubtreeCount(parent.Position, page.KeyCount());
  parent.Page->SetSubtreeCount(parent.Position - 1, left->KeyCount());
  MarkModified(*parent.Page);
}

void TIndexTree::MergeOrShareWithRight(TPath& path, int level) {
  TPage& page = *path[level].Page;
  TStep& parent = path[level - 1];
  TPinned right(FFile, Child(*parent.Page, 1));
  if (right.Get() == &page || right->IsLeaf() != page.IsLeaf() || right->Previous != page.Offset) RaiseCorrupt();
  const int total = right->Count() + page.Count();
  if (total < page.Capacity()) {
    page.MoveEntriesTo(*right, 0, page.Count(), 0);
    right->Previous = page.Previous;
    if (page.Previous != 0) {
      TPinned previous(FFile, FFile.GetPage(FSlot, page.Previous));
      previous->Next = right->Offset;
      MarkModified(*previous);
    }
    MarkModified(*right);
    parent.Page->SetKey(1, right->Key(0));
    parent.Page->SetSubtreeCount(1, right->KeyCount());
    FFile.FreePage(&page);
    DeleteFromPage(path, level - 1, 0);
    return;
  }
  const int pageWants = total / 2;
  if (page.Count() < pageWants) right->MoveEntriesTo(page, 0, pageWants - page.Count(), page.Count());
  if (page.Count() > pageWants) page.MoveEntriesTo(*right, pageWants, page.Count() - pageWants, 0);
  MarkModified(*right);
  MarkModified(page);
  parent.Page->SetSubtreeCount(0, page.KeyCount());
  parent.Page->SetKey(1, right->Key(0));
  parent.Page->SetSubtreeCount(1, right->KeyCount());
  MarkModified(*parent.Page);
  PropagateFirstKey(path, level);  // an emptied page has taken a new first key
}

}  // namespace sklad
