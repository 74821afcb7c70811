#include "BlobFile.h"

#include <algorithm>
#include <vector>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/Scrambler.h"

namespace sklad {

TBlobFile::TBlobFile(std::string fileName, bool inMemory, TDataFileOwner* owner)
    : TFileHandler(std::move(fileName), inMemory), FOwner(owner ? owner : &FStandaloneOwner) {
  ResetCache();
}

TBlobFile::~TBlobFile() { Close(); }

void TBlobFile::RaiseCorruptBlocks() const { RaiseEngineError(err::BlobBuffersCorrupt, FileName()); }

void TBlobFile::SetBlockSize(int32_t blockSize) { FBlockSize = blockSize == 0 ? kDefaultBlockSize : blockSize; }

void TBlobFile::ResetCache() {
  EmptyCache();
  const bool usable = FBlockSize >= kMinBlockSize && FBlockSize <= kMaxBlockSize;
  FCache.SetNormalCapacity(TBlobBlockCache::NormalCapacity(usable ? FBlockSize : kDefaultBlockSize));
  FReadAheadLimit = std::max(1, kReadAheadBytes / (usable ? FBlockSize : kDefaultBlockSize));
  FStatistics = {};
}

void TBlobFile::Open() {
  if (IsOpen()) return;
  TFileHandler::Open();
  try {
    // The used-bytes count of a block is 16 bits and every block needs room for data.
    if (FBlockSize < kMinBlockSize || FBlockSize > kMaxBlockSize) RaiseEngineError(err::HeaderCorrupt, FileName());
    ReadHeader();
    ResetCache();
  } catch (...) {
    TFileHandler::Close();
    throw;
  }
}

void TBlobFile::Close() {
  if (IsOpen()) ResetCache();
  TFileHandler::Close();
}

void TBlobFile::Create() {
  if (FBlockSize < kMinBlockSize || FBlockSize > kMaxBlockSize) RaiseEngineError(err::BlobFieldLimits, FileName());
  EmptyCache();
  TFileHandler::CreateNew();
  ResetCache();
  FHeader.Clear();
  FHeader.SetVersion(TBlobFileHeader::kFormatVersion);
  FHeader.SetFirstFreeBlock(0);
  FHeader.SetNextBlockOffset(kFirstBlockOffset);
  FHeader.SetModified(true);
}

void TBlobFile::ReadHeader() {
  ReadAt(0, FHeader.Bytes(), TBlobFileHeader::kSize);
  if (FEncrypted) Scramble(FHeader.Bytes(), TBlobFileHeader::kSize, kRecordScrambleSeed);
  FHeader.SetModified(false);
}

bool TBlobFile::HeaderChanged() {
  TBlobFileHeader onDisk;
  ReadAt(0, onDisk.Bytes(), TBlobFileHeader::kSize);
  if (FEncrypted) Scramble(onDisk.Bytes(), TBlobFileHeader::kSize, kRecordScrambleSeed);
  if (onDisk.ChangeCounter() == FHeader.ChangeCounter()) return false;
  FHeader = onDisk;
  FHeader.SetModified(false);
  return true;
}

void TBlobFile::StoreHeader(bool flush) {
  TBlobFileHeader stored = FHeader;
  if (FEncrypted) Scramble(stored.Bytes(), TBlobFileHeader::kSize, kRecordScrambleSeed);
  WriteAt(0, stored.Bytes(), TBlobFileHeader::kSize);
  if (FlushWanted(flush)) Flush();
  FOwner->MarkWrittenTo();
}

void TBlobFile::WriteHeader(bool force, bool flush) {
  if (!force && !FHeader.Modified()) return;
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  StoreHeader(flush);
  FHeader.SetModified(false);
}

void TBlobFile::MarkHeaderChanged() {
  FHeader.SetChangeCounter(FHeader.ChangeCounter() + 1);
  FHeader.SetModified(true);
  FOwner->MarkWrittenTo();
}

void TBlobFile::Empty() {
  EmptyCache();
  WriteAt(kFirstBlockOffset, nullptr, 0);
  if (FOwner->ForceBufferFlush()) Flush();
  FHeader.SetVersion(TBlobFileHeader::kFormatVersion);
  FHeader.SetNextBlockOffset(kFirstBlockOffset);
  FHeader.SetFirstFreeBlock(0);
  FHeader.SetModified(true);
}

void TBlobFile::CheckHeader() const {
  if (FHeader.Version() != TBlobFileHeader::kFormatVersion) RaiseEngineError(err::WrongVersion, FileName());
  const uint32_t next = FHeader.NextBlockOffset();
  if (next < kFirstBlockOffset || (next - kFirstBlockOffset) % static_cast<uint32_t>(FBlockSize) != 0)
    RaiseEngineError(err::HeaderCorrupt, FileName());
  const uint32_t firstFree = FHeader.FirstFreeBlock();
  if (firstFree != 0 && (next == kFirstBlockOffset || !IsBlockOffset(firstFree)))
    RaiseEngineError(err::HeaderCorrupt, FileName());
}

void TBlobFile::CheckBlocksBeforeWrite() {
  if (GetSize() < int64_t{FHeader.NextBlockOffset()}) RaiseCorruptBlocks();
}

bool TBlobFile::IsBlockOffset(uint32_t offset) const {
  return offset >= kFirstBlockOffset && offset < FHeader.NextBlockOffset() &&
         (offset - kFirstBlockOffset) % static_cast<uint32_t>(FBlockSize) == 0;
}

TBlock* TBlobFile::MakeCacheEntry(uint32_t offset) {
  if (FCache.Full()) {
    TBlock* reused = FCache.LeastRecentClean();
    if (reused == nullptr && !FOwner->InTransaction()) {
      WriteModifiedBlocks();
      reused = FCache.LeastRecentClean();
    }
    if (reused != nullptr) {
      FCache.Remove(reused);
      reused->Reset(offset, FBlockSize);
      return reused;
    }
    if (!FOwner->InTransaction()) RaiseCorruptBlocks();
    FCache.Grow();
  }
  return FPool.Take(offset, FBlockSize);
}

TBlock* TBlobFile::AppendBlock() {
  const uint32_t offset = FHeader.NextBlockOffset();
  if (offset > kLastBlockOffset) RaiseEngineError(err::TableFull, FileName());
  TBlock* block = MakeCacheEntry(offset);
  block->Pins = 1;
  block->Modified = true;
  FCache.Add(block);
  FHeader.SetNextBlockOffset(offset + static_cast<uint32_t>(FBlockSize));
  FHeader.SetModified(true);
  return block;
}

void TBlobFile::ReadBlocks(uint32_t offset, int32_t count) {
  const size_t blockSize = static_cast<size_t>(FBlockSize);
  std::vector<uint8_t> bytes(blockSize * static_cast<size_t>(count), 0);
  const bool shortReadAllowed = FOwner->WrittenTo() && (FOwner->Exclusive() || FOwner->InTransaction());
  ++FStatistics.Reads;
  ReadAt(offset, bytes.data(), static_cast<int32_t>(bytes.size()), shortReadAllowed);
  ++FStatistics.ReadsDone;
  // The wanted block comes first and is pinned at once, so that placing its neighbours cannot
  // evict it; a failure while placing them takes that pin back.
  TBlock* wanted = nullptr;
  try {
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t at = offset + static_cast<uint32_t>(i) * static_cast<uint32_t>(FBlockSize);
      uint8_t* stored = bytes.data() + static_cast<size_t>(i) * blockSize;
      if (FEncrypted) Scramble(stored, blockSize, kRecordScrambleSeed);
      TBlock* block = FCache.Peek(at);
      if (block == nullptr) {
        block = MakeCacheEntry(at);
        block->Load(stored);
        FCache.Add(block);
      } else if (block->Pins == 0 && !block->Modified) {
        block->Load(stored);
      }
      if (i == 0) {
        wanted = block;
        ++wanted->Pins;
      }
    }
  } catch (...) {
    ReleaseBlock(wanted);
    throw;
  }
}

TBlock* TBlobFile::GetBlock(uint32_t offset, bool readAhead, int32_t blocksWanted) {
  if (offset == 0) RaiseCorruptBlocks();
  if (offset == FHeader.NextBlockOffset()) return AppendBlock();
  if (!IsBlockOffset(offset)) RaiseCorruptBlocks();
  if (TBlock* cached = FCache.Find(offset)) {
    ++FStatistics.Hits;
    ++cached->Pins;
    return cached;
  }
  if (!FOwner->StrictChangeDetection() && FOwner->BeginCacheMissRead()) return nullptr;
  if (!IsBlockOffset(offset)) RaiseCorruptBlocks();
  int32_t count = 1;
  if (readAhead) {
    const int32_t remaining = static_cast<int32_t>((FHeader.NextBlockOffset() - offset) / static_cast<uint32_t>(FBlockSize));
    count = std::max(1, std::min({FReadAheadLimit, blocksWanted, remaining}));
  }
  ReadBlocks(offset, count);
  TBlock* block = FCache.Peek(offset);
  if (block == nullptr) RaiseCorruptBlocks();
  return block;
}

TBlock* TBlobFile::GetBlockForWrite(uint32_t offset, bool readAhead, int32_t blocksWanted) {
  TBlock* block = GetBlock(offset, readAhead, blocksWanted);
  if (block == nullptr) RaiseCorruptBlocks();
  return block;
}

void TBlobFile::ReleaseBlock(TBlock* block) {
  if (block != nullptr && block->Pins > 0) --block->Pins;
}

TBlock* TBlobFile::NewBlock() {
  const uint32_t firstFree = FHeader.FirstFreeBlock();
  TBlock* block;
  if (firstFree != 0) {
    if (!IsBlockOffset(firstFree)) RaiseCorruptBlocks();
    block = GetBlockForWrite(firstFree);
    const uint32_t next = block->Next();
    // A free block in use, one still carrying a value (freeing clears it), or a free list that
    // does not lead to another block is damaged.
    if (block->Pins > 1 || block->BlobId() != 0 || next == firstFree || (next != 0 && !IsBlockOffset(next))) {
      ReleaseBlock(block);
      RaiseCorruptBlocks();
    }
    FHeader.SetFirstFreeBlock(next);
  } else {
    block = AppendBlock();
  }
  block->Clear();
  FHeader.SetModified(true);
  return block;
}

void TBlobFile::FreeBlock(TBlock* block) {
  // A freed block keeps no trace of its value, so that a stale reference to it reads as changed.
  block->Clear();
  block->SetNext(FHeader.FirstFreeBlock());
  FHeader.SetFirstFreeBlock(block->Offset);
  FHeader.SetModified(true);
}

void TBlobFile::WriteModifiedBlocks(bool flush) {
  TSystemList<TBlock*> blocks;
  for (TBlock* block : FCache.Blocks())
    if (block->Modified && block->Pins == 0) blocks.Add(block);
  if (blocks.Count() == 0) {
    if (FlushWanted(flush)) Flush();
    return;
  }
  const uint32_t blockSize = static_cast<uint32_t>(FBlockSize);
  std::vector<uint8_t> run;
  int first = 0;
  while (first < blocks.Count()) {
    int last = first;
    while (last + 1 < blocks.Count() && blocks[last + 1]->Offset == blocks[last]->Offset + blockSize) ++last;
    run.assign(static_cast<size_t>(last - first + 1) * blockSize, 0);
    for (int i = first; i <= last; ++i) {
      uint8_t* at = run.data() + static_cast<size_t>(i - first) * blockSize;
      blocks[i]->Store(at);
      if (FEncrypted) Scramble(at, blockSize, kRecordScrambleSeed);
    }
    WriteAt(blocks[first]->Offset, run.data(), static_cast<int32_t>(run.size()));
    ++FStatistics.Writes;
    for (int i = first; i <= last; ++i) blocks[i]->Modified = false;
    first = last + 1;
  }
  if (FlushWanted(flush)) Flush();
  FOwner->MarkWrittenTo();
}

void TBlobFile::EmptyCache() {
  while (FCache.Blocks().Count() > 0) {
    TBlock* block = FCache.Blocks()[FCache.Blocks().Count() - 1];
    FCache.Remove(block);
    FPool.Return(block);
  }
}

void TBlobFile::ShrinkCache() {
  FCache.ResetCapacity();
  while (FCache.Blocks().Count() > FCache.Capacity()) {
    TBlock* block = FCache.LeastRecentClean();
    if (block == nullptr) break;
    FCache.Remove(block);
    FPool.Return(block);
  }
}

}  // namespace sklad
