// TIndexBulkLoad: builds the tree of an empty index slot bottom-up from keys handed over in
// ascending index order — full leaves linked left to right, then each internal level over the
// level below — instead of one root-to-leaf insert per key. Used to build a whole index at once.
#pragma once

#include <cstdint>
#include <vector>

#include "IndexFile.h"

namespace sklad {

class TIndexBulkLoad {
 public:
  // The slot's index must be empty (8965 otherwise).
  TIndexBulkLoad(TIndexFile& file, int slot);
  ~TIndexBulkLoad();
  TIndexBulkLoad(const TIndexBulkLoad&) = delete;
  TIndexBulkLoad& operator=(const TIndexBulkLoad&) = delete;

  // The next key, not below the one before in the index's order, with its record number.
  void Add(const uint8_t* key, uint32_t recordNumber);
  // Builds the internal levels and makes the top page the slot's root. Without keys the index
  // stays empty.
  void Finish();

 private:
  // The first key, offset and key count of every page of one level, in order.
  struct TLevelEntries {
    std::vector<uint8_t> Keys;
    std::vector<uint32_t> Offsets;
    std::vector<uint32_t> Counts;
    size_t Count() const { return Offsets.size(); }
  };
  // Fills the pages of one level left to right; each page is linked to the one before.
  class TLevelWriter {
   public:
    TLevelWriter(TIndexFile& file, int slot, TPageType type, TLevelEntries& out);
    ~TLevelWriter();
    TLevelWriter(const TLevelWriter&) = delete;
    TLevelWriter& operator=(const TLevelWriter&) = delete;
    void Add(const uint8_t* key, uint32_t value, uint32_t count);
    // Evens out a last page that holds less than half a page with the page before it, and
    // records it. Answers the only page of the level when there is just one (still pinned).
    TPage* Close();

   private:
    void StartPage();
    void Record(const TPage& page);
    void ShareWithPrevious();

    TIndexFile& FFile;
    const int FSlot;
    const TPageType FType;
    TLevelEntries& FOut;
    TPage* FCurrent = nullptr;
    TPage* FPrevious = nullptr;  // kept pinned until its successor's offset is linked in
    bool FPreviousRecorded = false;
  };

  TIndexFile& FFile;
  const int FSlot;
  TLevelEntries FLeaves;
  TLevelWriter FLeafWriter;
};

}  // namespace sklad
