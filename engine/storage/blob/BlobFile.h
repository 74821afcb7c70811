// TBlobFile: the BLOB file of a table (".BLB"): the 512-byte header and the fixed-size blocks
// behind it through a block cache with read-ahead, the free-block list, and the header check.
// Whole values are read, written and freed as block chains by the functions of BlobChain.h.
#pragma once

#include <cstdint>
#include <string>

#include "BlobBlock.h"
#include "BlobBlockCache.h"
#include "BlobBlockStack.h"
#include "BlobFileHeader.h"
#include "engine/storage/data/DataFileOwner.h"
#include "engine/storage/file/FileHandler.h"

namespace sklad {

struct TBlobCacheStatistics {
  int64_t Hits = 0;
  int64_t Reads = 0;
  int64_t ReadsDone = 0;
  int64_t Writes = 0;
};

class TBlobFile : public TFileHandler {
 public:
  static constexpr uint32_t kFirstBlockOffset = TBlobFileHeader::kSize;
  static constexpr int32_t kDefaultBlockSize = 512;
  // Blocks carry at least one data byte and count their used bytes in 16 bits.
  static constexpr int32_t kMinBlockSize = TBlock::kHeaderSize + 1;
  static constexpr int32_t kMaxBlockSize = 65535;
  // Appending beyond this offset fails: the table is full.
  static constexpr uint32_t kLastBlockOffset = 2000000000;
  static constexpr int32_t kReadAheadBytes = 65535;

  // Without an owner the file behaves as one of a table open exclusively.
  TBlobFile(std::string fileName, bool inMemory, TDataFileOwner* owner = nullptr);
  ~TBlobFile() override;

  // The table's BLOB block size (0 means 512); set before open or create.
  void SetBlockSize(int32_t blockSize);
  void SetEncrypted(bool encrypted) { FEncrypted = encrypted; }

  // Opens the file and reads the header; a block size outside 19..65,535 raises 8961. On failure
  // the file is closed again.
  void Open() override;
  // Drops every cached block (unwritten changes are lost) and closes.
  void Close() override;
  // A new, empty file; its header is written by the first header write.
  void Create();

  void ReadHeader();
  bool HeaderChanged();
  void WriteHeader(bool force, bool flush = false);
  void MarkHeaderChanged();
  // Cuts the file after its header; every block is gone.
  void Empty();
  // Version 4; a free list that lies inside the file on a block boundary; a next block offset
  // on a block boundary. Raises 12035 or 8961.
  void CheckHeader() const;
  // Before a write: a file shorter than the blocks its header announces raises 8963.
  void CheckBlocksBeforeWrite();

  // The block at that offset, pinned. The next block offset appends a new block. Offsets not on
  // a block boundary inside the file raise 8963. A cache miss first takes the table's read lock;
  // when that finds another user's change the caches are gone and nullptr is answered: the
  // caller starts its work again. With read-ahead up to blocksWanted following blocks are read
  // with the same read.
  [[nodiscard]] TBlock* GetBlock(uint32_t offset, bool readAhead = false, int32_t blocksWanted = 1);
  // GetBlock for work done under the write lock, where no restart can happen; a restart there
  // would mean damaged state and raises 8963.
  TBlock* GetBlockForWrite(uint32_t offset, bool readAhead = false, int32_t blocksWanted = 1);
  void ReleaseBlock(TBlock* block);
  // A pinned, cleared block: the head of the free list, or one appended to the file.
  TBlock* NewBlock();
  // Puts the block at the head of the free list.
  void FreeBlock(TBlock* block);

  void WriteModifiedBlocks(bool flush = false);
  // Every cached block goes back to the pool, unwritten changes included.
  void EmptyCache();
  void ShrinkCache();

  // Whether the offset is where a block of this file starts (the next block offset excluded).
  bool IsBlockOffset(uint32_t offset) const;
  [[noreturn]] void RaiseCorruptBlocks() const;

  int32_t BlockSize() const { return FBlockSize; }
  int32_t DataPerBlock() const { return FBlockSize - TBlock::kHeaderSize; }
  int32_t ReadAheadLimit() const { return FReadAheadLimit; }
  const TBlobFileHeader& Header() const { return FHeader; }
  const TBlobCacheStatistics& Statistics() const { return FStatistics; }
  const TBlobBlockCache& Cache() const { return FCache; }

 private:
  // A block object for the cache, reusing the least recently used clean block when full.
  TBlock* MakeCacheEntry(uint32_t offset);
  TBlock* AppendBlock();
  void ReadBlocks(uint32_t offset, int32_t count);
  void StoreHeader(bool flush);
  bool FlushWanted(bool flush) const { return flush || FOwner->ForceBufferFlush(); }
  void ResetCache();

  TStandaloneDataFileOwner FStandaloneOwner;
  TDataFileOwner* FOwner;
  TBlobFileHeader FHeader;
  int32_t FBlockSize = kDefaultBlockSize;
  int32_t FReadAheadLimit = kReadAheadBytes / kDefaultBlockSize;
  bool FEncrypted = false;
  TBlobBlockCache FCache;
  TBlockStack FPool;
  TBlobCacheStatistics FStatistics;
};

// Holds a pinned block for a scope.
class TPinnedBlock {
 public:
  TPinnedBlock(TBlobFile& file, TBlock* block) : FFile(file), FBlock(block) {}
  ~TPinnedBlock() { FFile.ReleaseBlock(FBlock); }
  TPinnedBlock(const TPinnedBlock&) = delete;
  TPinnedBlock& operator=(const TPinnedBlock&) = delete;

  TBlock* operator->() const { return FBlock; }
  TBlock* Get() const { return FBlock; }
  // Releases the block held so far and holds another.
  void Reset(TBlock* block) {
    FFile.ReleaseBlock(FBlock);
    FBlock = block;
  }

 private:
  TBlobFile& FFile;
  TBlock* FBlock;
};

}  // namespace sklad
