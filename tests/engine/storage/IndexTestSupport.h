// Helpers of the index tests: a table's field list and records built by hand, an in-memory index
// file, and a walk over a whole tree that checks every invariant and returns the leaf entries in
// order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/index/IndexFile.h"
#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"
#include "engine/storage/core/SystemList.h"

namespace sklad::testing {

inline TSystemList<TFieldDefinition> LaidOutFields(std::initializer_list<TFieldDefinition> definitions,
                                                   int* recordSize = nullptr) {
  TSystemList<TFieldDefinition> fields;
  for (const TFieldDefinition& field : definitions) fields.Add(field);
  const int64_t size = LayOutRecord(fields);
  if (recordSize != nullptr) *recordSize = static_cast<int>(size);
  return fields;
}

// A record buffer of a table, filled field by field.
class TRecordBuilder {
 public:
  TRecordBuilder(const TSystemList<TFieldDefinition>& fields, int recordSize)
      : FFields(fields), FBytes(static_cast<size_t>(recordSize), 0) {}
  TRecordBuilder& Identity(int32_t value) {
    StoreLE<int32_t>(FBytes.data() + kAutoIncrementAt, value);
    return *this;
  }
  TRecordBuilder& State(uint8_t state) {
    FBytes[kRecordStateAt] = state;
    return *this;
  }
  // A null value.
  TRecordBuilder& Null(int field) {
    std::memset(At(field), 0, static_cast<size_t>(FFields[field].StoredSize() + 1));
    return *this;
  }
  template <typename T>
  TRecordBuilder& Set(int field, T value) {
    At(field)[0] = 1;
    StoreLE<T>(At(field) + 1, value);
    return *this;
  }
  TRecordBuilder& SetBytes(int field, const void* bytes, int count) {
    At(field)[0] = 1;
    std::memcpy(At(field) + 1, bytes, static_cast<size_t>(count));
    return *this;
  }
  TRecordBuilder& SetString(int field, const std::string& text) {
    std::memset(At(field), 0, static_cast<size_t>(FFields[field].StoredSize() + 1));
    if (text.empty()) return *this;  // empty strings are stored as null
    At(field)[0] = 1;
    std::memcpy(At(field) + 1, text.data(), text.size());
    return *this;
  }
  const uint8_t* Bytes() const { return FBytes.data(); }

 private:
  uint8_t* At(int field) { return FBytes.data() + FFields[field].Offset(); }

  const TSystemList<TFieldDefinition>& FFields;
  std::vector<uint8_t> FBytes;
};

// One leaf entry as the walk found it.
struct TLeafEntry {
  std::vector<uint8_t> Key;
  uint32_t RecordNumber;
};

// Walks the tree of a slot from its root and checks: page types by level, every leaf at the same
// depth, keys ascending in the index's order within and across pages, each internal entry's key
// equal to its child's first key and its count equal to the child's keys, page fill, compressed
// sizes, and the previous and next links of every level. Failures are reported to the test.
class TTreeWalker {
 public:
  TTreeWalker(TIndexFile& file, int slot, const TKeyOrder& order) : FFile(file), FSlot(slot), FOrder(order) {}

  std::vector<TLeafEntry> Walk() {
    FEntries.clear();
    FLevels.clear();
    FLeafDepth = -1;
    const uint32_t root = FFile.Root(FSlot);
    if (root != 0) {
      const uint32_t count = WalkPage(root, 0, nullptr);
      EXPECT_EQ(count, FEntries.size());
      CheckLevelLinks();
    }
    for (size_t i = 1; i < FEntries.size(); ++i)
      EXPECT_LT(FOrder.Compare(FEntries[i - 1].Key.data(), FEntries[i].Key.data(), FOrder.KeyLength()), 0)
          << "keys out of order at " << i;
    return FEntries;
  }

 private:
  uint32_t WalkPage(uint32_t offset, size_t level, const uint8_t* expectedFirstKey) {
    TPage* page = FFile.GetPage(FSlot, offset);
    if (FLevels.size() <= level) FLevels.resize(level + 1);
    FLevels[level].push_back({offset, page->Previous, page->Next});
    EXPECT_EQ(page->IsRoot(), level == 0) << "page " << offset;
    EXPECT_GT(page->Count(), 0) << "page " << offset;
    if (expectedFirstKey != nullptr && page->Count() > 0) {
      EXPECT_EQ(0, std::memcmp(expectedFirstKey, page->Key(0), static_cast<size_t>(page->KeyLength())))
          << "first key of page " << offset << " not carried up";
    }
    if (level > 0 && !page->Compressed()) {
      EXPECT_GE(page->Count(), page->Capacity() / 2) << "page " << offset << " underfull";
    }
    EXPECT_FALSE(page->Overfull()) << "page " << offset;
    uint32_t keys = 0;
    if (page->IsLeaf()) {
      if (FLeafDepth < 0) FLeafDepth = static_cast<int>(level);
      EXPECT_EQ(FLeafDepth, static_cast<int>(level)) << "leaves at different depths";
      for (int i = 0; i < page->Count(); ++i)
        FEntries.push_back({std::vector<uint8_t>(page->Key(i), page->Key(i) + page->KeyLength()), page->Value(i)});
      keys = static_cast<uint32_t>(page->Count());
    } else {
      for (int i = 0; i < page->Count(); ++i) {
        const std::vector<uint8_t> key(page->Key(i), page->Key(i) + page->KeyLength());
        const uint32_t child = WalkPage(page->Value(i), level + 1, key.data());
        EXPECT_EQ(child, page->SubtreeCount(i)) << "subtree count in page " << offset << " entry " << i;
        keys += child;
      }
    }
    FFile.ReleasePage(page);
    return keys;
  }

  void CheckLevelLinks() {
    for (const auto& pages : FLevels)
      for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].Previous, i == 0 ? 0 : pages[i - 1].Offset) << "previous link of " << pages[i].Offset;
        EXPECT_EQ(pages[i].Next, i + 1 == pages.size() ? 0 : pages[i + 1].Offset) << "next link of " << pages[i].Offset;
      }
  }

  struct TLinks {
    uint32_t Offset, Previous, Next;
  };
  TIndexFile& FFile;
  int FSlot;
  const TKeyOrder& FOrder;
  std::vector<TLeafEntry> FEntries;
  std::vector<std::vector<TLinks>> FLevels;
  int FLeafDepth = -1;
};

}  // namespace sklad::testing
