// TPage: one 4,096-byte index page in memory — its header, its entries unpacked to whole keys
// with their two values, and its cache state — and the packing and unpacking of the stored page
// with the four leaf compressions. Internal entries carry a child offset and the number of keys
// in the child's subtree; leaf entries a record number.
#pragma once

#include <cstdint>
#include <vector>

#include "IndexDefinition.h"
#include "engine/storage/core/Invariant.h"

namespace sklad {

enum class TPageType : uint8_t { InternalRoot = 0, Internal = 1, Leaf = 2, LeafRoot = 3 };

class TPage {
 public:
  static constexpr int kPageSize = 4096;
  static constexpr int kHeaderSize = 13;
  static constexpr int kEntryArea = kPageSize - kHeaderSize;  // 4,083

  // Takes the index's key properties; the page is cleared.
  void Configure(int slot, int keyLength, bool unique, TKeyCompression compression);
  // Type internal root, no entries, no links, not freed.
  void Clear();

  int Slot() const { return FSlot; }
  int KeyLength() const { return FKeyLength; }
  TPageType Type() const { return FType; }
  void SetType(TPageType type) { FType = type; }
  bool IsLeaf() const { return FType == TPageType::Leaf || FType == TPageType::LeafRoot; }
  bool IsRoot() const { return FType == TPageType::InternalRoot || FType == TPageType::LeafRoot; }
  bool Compressed() const { return IsLeaf() && FCompression != TKeyCompression::None; }

  int Count() const { return FCount; }
  const uint8_t* Key(int i) const { return EntryAt(i); }
  uint32_t Value(int i) const;  // record number in a leaf, child offset in an internal page
  void SetValue(int i, uint32_t value);
  uint32_t SubtreeCount(int i) const;  // 1 for a leaf entry
  void SetSubtreeCount(int i, uint32_t count);
  void SetKey(int i, const uint8_t* key);
  // Entry i (0-based) becomes the new entry; later entries move up.
  void Insert(int i, const uint8_t* key, uint32_t value, uint32_t subtreeCount);
  void Remove(int i);
  // Moves count entries starting at from to the position at of another page of the same index.
  void MoveEntriesTo(TPage& target, int from, int count, int at);
  // Keys below this page: its entry count for a leaf, the sum of the subtree counts otherwise.
  uint32_t KeyCount() const;

  // Entries that fit an internal page or an uncompressed leaf.
  int Capacity() const;
  // The stored size of the entries of a compressed leaf, 0 otherwise.
  int CompressedSize() const { return Compressed() ? FCompressedSize : 0; }
  bool Overfull() const;
  bool Underfull() const { return !Compressed() && FCount < Capacity() / 2; }

  // The stored page; false when it does not fit 4,096 bytes.
  bool Pack(uint8_t* out) const;
  // Reads a stored page; with headerOnly (a free page about to be reused) the entries are not
  // read and the page starts empty. False for a damaged page: a bad type, an entry count or
  // compressed size beyond the page, cut counts that do not fit the key, a free page holding
  // entries.
  bool Unpack(const uint8_t* in, bool headerOnly);

  uint32_t Offset = 0;
  uint32_t Previous = 0;
  uint32_t Next = 0;    // in a free page: the next free page of the index
  uint32_t Parent = 0;  // set while descending; not stored
  bool Modified = false;
  bool Freed = false;
  int Pins = 0;
  TPage* Newer = nullptr;  // the slot cache's recency links
  TPage* Older = nullptr;

 private:
  int Stride() const { return FKeyLength + 12; }
  uint8_t* Entry(int i) { return FEntries.data() + static_cast<size_t>(i) * Stride(); }
  // Entry i of the page's entries (0 <= i < Count), the index an invariant.
  const uint8_t* EntryAt(int i) const {
    SKLAD_INVARIANT(i >= 0 && i < FCount);
    return Entry(i);
  }
  uint8_t* EntryAt(int i) {
    SKLAD_INVARIANT(i >= 0 && i < FCount);
    return Entry(i);
  }
  const uint8_t* Entry(int i) const { return FEntries.data() + static_cast<size_t>(i) * Stride(); }
  int KeyPartLength() const;
  int Cut(int i, int which) const;
  void SetCut(int i, int which, int value);
  int StoredEntrySize(int i) const;
  // Recomputes the cut counts of entry i and the compressed size.
  void RefreshCuts(int i);
  void RefreshAllCuts();
  void Reserve(int count);

  int FSlot = 0;
  int FKeyLength = 0;
  bool FUnique = true;
  TKeyCompression FCompression = TKeyCompression::None;
  TPageType FType = TPageType::InternalRoot;
  int FCount = 0;
  int FCompressedSize = 0;
  std::vector<uint8_t> FEntries;
};

}  // namespace sklad
