// TIndexTree: the counted B+-tree of one index slot, as the cursor engine uses it — descent from
// the root, insertion and deletion of keys with the upkeep of subtree counts and first keys
// (page splits, merges and redistribution), exact, ordinal and counting searches. Every page
// read may raise EIndexReadRestart (see IndexReadRestart.h); the caller then starts again.
#pragma once

#include <cstdint>
#include <functional>

#include "IndexFile.h"
#include "IndexKeyOrder.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

// Where a key was found: its 1-based ordinal among all keys of the index (0 = no such key),
// its leaf page and entry, and its record number.
struct TKeyLocation {
  uint32_t Ordinal = 0;
  uint32_t Leaf = 0;
  int Entry = 0;
  uint32_t RecordNumber = 0;
};

class TIndexTree {
 public:
  // The order must match the slot's key length; file and order outlive the tree.
  TIndexTree(TIndexFile& file, int slot, const TKeyOrder& order);

  int Slot() const { return FSlot; }
  bool Empty() const { return FFile.Root(FSlot) == 0; }
  // Keys in the index.
  uint32_t KeyCount();

  // Adds a key with its record number. A unique index must not hold the key yet (KeyExists).
  void InsertKey(const uint8_t* key, uint32_t recordNumber);
  // Removes the key; a key that is not there raises 8965.
  void DeleteKey(const uint8_t* key);
  void ReplaceKey(const uint8_t* oldKey, const uint8_t* newKey, uint32_t recordNumber);
  // Puts every page of the index on the slot's free list; the index becomes empty.
  void FreeAllPages();
  // Whether a key equal to the search key (over its first length bytes) is in the index.
  bool KeyExists(const uint8_t* key, int length);

  // The key with that 1-based ordinal, copied to keyOut when given; Ordinal 0 when out of range.
  TKeyLocation KeyAt(uint32_t ordinal, uint8_t* keyOut = nullptr);
  // The first key not below the search key, compared over its first length bytes; copied to
  // keyOut when given and found.
  TKeyLocation FirstNotBelow(const uint8_t* key, int length, uint8_t* keyOut = nullptr);
  // The last key not above the search key, compared over its first length bytes.
  TKeyLocation LastNotAbove(const uint8_t* key, int length);
  // Keys k with low <= k <= high, each compared over its first length bytes.
  uint32_t CountInRange(const uint8_t* low, const uint8_t* high, int length);
  // How many entries after (direction 1) or before (-1) the given one continue its record
  // numbers by +1 (-1), up to limit; the run may cross into neighbouring leaves.
  int ConsecutiveRun(const TKeyLocation& from, int direction, int limit);
  // Walks the entries from the given one forward (direction 1) or backward (-1) along the leaf
  // links and answers the first entry, the given one included, that stop accepts; Ordinal 0
  // when the index ends first. stop receives each entry and its key.
  TKeyLocation WalkUntil(const TKeyLocation& from, int direction,
                         const std::function<bool(const TKeyLocation&, const uint8_t*)>& stop);

 private:
  struct TStep {
    TPage* Page;
    int Position;  // the entry followed (internal) or found (leaf)
  };
  // The pages of one descent, pinned until the path is destroyed.
  class TPath {
   public:
    explicit TPath(TIndexFile& file) : FFile(file) {}
    ~TPath();
    TPath(const TPath&) = delete;
    TPath& operator=(const TPath&) = delete;
    void Push(TPage* page) { FSteps.Add(TStep{page, 0}); }
    TStep& operator[](int level) { return FSteps[level]; }
    int Depth() const { return FSteps.Count(); }
    TStep& Leaf() { return FSteps.Last(); }

   private:
    TIndexFile& FFile;
    TSystemList<TStep> FSteps;
  };
  // A page pinned for one step of an operation.
  class TPinned {
   public:
    TPinned(TIndexFile& file, TPage* page) : FFile(file), FPage(page) {}
    ~TPinned() { FFile.ReleasePage(FPage); }
    TPinned(const TPinned&) = delete;
    TPinned& operator=(const TPinned&) = delete;
    TPage* operator->() const { return FPage; }
    TPage& operator*() const { return *FPage; }
    TPage* Get() const { return FPage; }

   private:
    TIndexFile& FFile;
    TPage* FPage;
  };
  enum class TChoice { LastNotAbove, LastBelow };

  [[noreturn]] void RaiseCorrupt() const;
  // The child's page, checked to be a non-root page with entries.
  TPage* Child(TPage& parent, int entry);
  TPage* RootPage();
  // Descends to the leaf, following in each internal page the chosen entry (0 when there is
  // none).
  void DescendTo(TPath& path, const uint8_t* key, int length, TChoice choice);
  // The same, answering how many keys lie before the leaf reached (ordinal searches; changes of
  // keys need no count).
  uint32_t Descend(TPath& path, const uint8_t* key, int length, TChoice choice);
  // The first entry of a page not below the key, or Count().
  int LowerBound(const TPage& page, const uint8_t* key, int length) const;
  // The number of entries not above the key (the first entry above it).
  int UpperBound(const TPage& page, const uint8_t* key, int length) const;
  uint32_t KeysBefore(const TPage& page, int entry) const;
  TKeyLocation LocationIn(const TPage& leaf, int entry, uint32_t ordinal) const;

  void InsertIntoPage(TPath& path, int level, int position, const uint8_t* key, uint32_t value, uint32_t count);
  void SplitPage(TPath& path, int level);
  void DeleteFromPage(TPath& path, int level, int position);
  void Rebalance(TPath& path, int level);
  void MergeOrShareWithLeft(TPath& path, int level);
  void MergeOrShareWithRight(TPath& path, int level);
  void CollapseRoot(TPage& root);
  // Carries a page's new first key up while the changed entry is first in its page.
  void PropagateFirstKey(TPath& path, int level);
  void Unlink(TPage& page);
  void FreeSubtree(uint32_t offset, int depth);
  void MarkModified(TPage& page) { page.Modified = true; }

  TIndexFile& FFile;
  const int FSlot;
  const TKeyOrder& FOrder;
  const int FKeyLength;
};

}  // namespace sklad
