#include "BlobChain.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

int32_t BlocksForBytes(const TBlobFile& file, uint64_t bytes) {
  const uint64_t perBlock = static_cast<uint64_t>(file.DataPerBlock());
  return static_cast<int32_t>(std::max<uint64_t>(1, (bytes + perBlock - 1) / perBlock));
}

// The most data bytes the blocks of the file can hold: a longer announced length is damage.
uint64_t FileCapacity(const TBlobFile& file) {
  const uint64_t blocks = (file.Header().NextBlockOffset() - TBlobFile::kFirstBlockOffset) /
                          static_cast<uint64_t>(file.BlockSize());
  return blocks * static_cast<uint64_t>(file.DataPerBlock());
}

// One attempt at reading the value; false when the read met another user's change.
bool TryReadBlobValue(TBlobFile& file, TBlobBuffer& buffer, bool scanning) {
  // The offset where the next block would be appended is no value's block: a read never grows
  // the file.
  if (!file.IsBlockOffset(buffer.FirstBlock)) file.RaiseCorruptBlocks();
  TBlock* first = file.GetBlock(buffer.FirstBlock, scanning, scanning ? INT32_MAX : 1);
  if (first == nullptr) return false;
  TPinnedBlock block(file, first);
  if (block->BlobId() != buffer.BlobId) RaiseEngineError(err::RecordChanged, file.FileName());
  const uint32_t total = block->TotalLength();
  if (total > FileCapacity(file)) file.RaiseCorruptBlocks();
  const int32_t chainLimit = BlocksForBytes(file, total);
  std::set<uint32_t> visited{buffer.FirstBlock};
  buffer.Bytes.assign(total, 0);
  uint32_t read = 0;
  for (int32_t walked = 1;; ++walked) {
    const uint32_t take = std::min<uint32_t>({static_cast<uint32_t>(file.DataPerBlock()), total - read, block->UsedBytes()});
    // A first block announcing no bytes (damage: no value of length 0 has blocks) leaves no buffer.
    if (take > 0) std::memcpy(buffer.Bytes.data() + read, block->Data(), take);
    read += take;
    const uint32_t next = block->Next();
    if (read == total || next == 0) break;
    if (walked == chainLimit || !file.IsBlockOffset(next) || !visited.insert(next).second) file.RaiseCorruptBlocks();
    TBlock* following = file.GetBlock(next, true, BlocksForBytes(file, total - read));
    if (following == nullptr) return false;
    block.Reset(following);
    if (block->BlobId() != buffer.BlobId) RaiseEngineError(err::RecordChanged, file.FileName());
  }
  if (read != total) RaiseEngineError(err::EndOfBlob, file.FileName());
  return true;
}

// The blocks of the stored chain a rewrite reuses or frees, walked and checked before any of them
// changes: offsets of blocks inside the file, no block twice, every block carrying the first
// one's identifier (the record's, checked when the value was read), and no more blocks than the
// stored length needs.
std::vector<uint32_t> StoredChain(TBlobFile& file, uint32_t first) {
  if (first == 0) return {};
  // The offset where the next block would be appended is no value's block.
  if (!file.IsBlockOffset(first)) file.RaiseCorruptBlocks();
  TPinnedBlock block(file, file.GetBlockForWrite(first));
  const int32_t blobId = block->BlobId();
  const size_t limit =
      static_cast<size_t>(BlocksForBytes(file, std::min<uint64_t>(block->TotalLength(), FileCapacity(file))));
  std::vector<uint32_t> chain{first};
  std::set<uint32_t> visited{first};
  for (uint32_t next = block->Next(); next != 0 && chain.size() < limit; next = block->Next()) {
    if (!file.IsBlockOffset(next) || !visited.insert(next).second) file.RaiseCorruptBlocks();
    block.Reset(file.GetBlockForWrite(next, true, static_cast<int32_t>(limit - chain.size())));
    if (block->BlobId() != blobId) file.RaiseCorruptBlocks();
    chain.push_back(next);
  }
  return chain;
}

std::string RepairMessage(const char* problem, int32_t recordNumber, const TBlobRepair& repair) {
  return std::string(problem) + " in BLOB file for physical record # " + std::to_string(recordNumber) + ", " +
         (repair.CheckOnly ? "error not fixed" : "error fixed");
}

}  // namespace

void ReadBlobValue(TBlobFile& file, TBlobBuffer& buffer, bool scanning) {
  buffer.Bytes.clear();
  if (buffer.FirstBlock != 0)
    while (!TryReadBlobValue(file, buffer, scanning)) {
    }
  buffer.Modified = false;
}

void WriteBlobValue(TBlobFile& file, TBlobBuffer& buffer) {
  const uint64_t length = buffer.Bytes.size();
  if (length > static_cast<uint64_t>(INT32_MAX)) RaiseEngineError(err::InvalidBlobLength, file.FileName());
  const std::vector<uint32_t> stored = StoredChain(file, buffer.FirstBlock);
  const size_t needed = length == 0 ? 0 : static_cast<size_t>(BlocksForBytes(file, length));
  std::vector<uint32_t> chain(stored.begin(),
                              stored.begin() + static_cast<std::ptrdiff_t>(std::min(needed, stored.size())));
  // The blocks a longer value needs are taken before anything is written, so that a damaged free
  // list refuses the write with the stored chain as it was.
  while (chain.size() < needed) {
    TPinnedBlock fresh(file, file.NewBlock());
    if (std::ranges::find(stored, fresh->Offset) != stored.end()) file.RaiseCorruptBlocks();
    chain.push_back(fresh->Offset);
  }
  const uint64_t perBlock = static_cast<uint64_t>(file.DataPerBlock());
  for (size_t i = 0; i < chain.size(); ++i) {
    TPinnedBlock block(file, file.GetBlockForWrite(chain[i]));
    const uint64_t written = i * perBlock;
    const uint64_t take = std::min(perBlock, length - written);
    std::memcpy(block->Data(), buffer.Bytes.data() + written, take);
    if (take < perBlock) std::memset(block->Data() + take, 0, perBlock - take);
    block->SetPrevious(i == 0 ? 0 : chain[i - 1]);
    block->SetNext(i + 1 < chain.size() ? chain[i + 1] : 0);
    block->SetBlobId(buffer.BlobId);
    block->SetTotalLength(i == 0 ? static_cast<uint32_t>(length) : 0);
    block->SetUsedBytes(static_cast<uint16_t>(take));
    block->Modified = true;
  }
  for (size_t i = chain.size(); i < stored.size(); ++i) {
    TPinnedBlock block(file, file.GetBlockForWrite(stored[i]));
    file.FreeBlock(block.Get());
  }
  buffer.FirstBlock = chain.empty() ? 0 : chain.front();
  buffer.Modified = false;
}

uint32_t FreeBlobChain(TBlobFile& file, uint32_t firstBlock, int32_t blobId, int32_t recordNumber,
                       bool acceptOtherIds, const TBlobRepair* repair) {
  if (firstBlock == 0) return 0;
  const bool checkOnly = repair != nullptr && repair->CheckOnly;
  const uint32_t kept = checkOnly ? firstBlock : 0;
  auto problemFound = [&](const char* problem) {
    if (repair == nullptr) file.RaiseCorruptBlocks();
    repair->Report(RepairMessage(problem, recordNumber, *repair));
  };
  auto belongs = [&](const TBlock& block) { return acceptOtherIds || block.BlobId() == blobId; };
  if (!file.IsBlockOffset(firstBlock)) {
    problemFound("Invalid BLOB offset");
    return kept;
  }
  // The whole chain is walked and checked before anything is freed, so that a damaged chain
  // raises with every block still in place.
  std::vector<uint32_t> chain{firstBlock};
  {
    TPinnedBlock block(file, file.GetBlockForWrite(firstBlock));
    if (!belongs(*block.Get())) {
      problemFound("Invalid BLOB offset");
      return kept;
    }
    const size_t limit =
      static_cast<size_t>(BlocksForBytes(file, std::min<uint64_t>(block->TotalLength(), FileCapacity(file))));
    std::set<uint32_t> visited{firstBlock};
    for (uint32_t next = block->Next(); next != 0; next = block->Next()) {
      const char* problem = nullptr;
      TBlock* following = nullptr;
      if (visited.count(next)) {
        problem = "Recursive intra-block pointer";
      } else if (!file.IsBlockOffset(next) || chain.size() == limit) {
        problem = "Invalid intra-block pointer";
      } else {
        following = file.GetBlockForWrite(next);
        if (!belongs(*following)) {
          file.ReleaseBlock(following);
          problem = "Invalid BLOB offset";
        }
      }
      if (problem != nullptr) {
        problemFound(problem);
        if (!checkOnly) block->SetNext(0);
        break;
      }
      chain.push_back(next);
      visited.insert(next);
      block.Reset(following);
    }
  }
  if (checkOnly) return kept;
  for (uint32_t offset : chain) {
    TPinnedBlock block(file, file.GetBlockForWrite(offset));
    file.FreeBlock(block.Get());
  }
  return 0;
}

}  // namespace sklad
