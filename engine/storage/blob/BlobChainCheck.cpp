#include "BlobChainCheck.h"

#include <set>

namespace sklad {
namespace {

std::string Number(uint64_t value) { return std::to_string(value); }

// Where a link leads: a block of the file not met before, or the fault it is.
std::optional<std::string> LinkFault(const TBlobFile& file, uint32_t from, uint32_t to, const std::set<uint32_t>& met) {
  if (!file.IsBlockOffset(to)) return "block " + Number(from) + " points to " + Number(to) + ", which is no block of the file";
  if (met.count(to)) return "block " + Number(from) + " points back to block " + Number(to) + ": the chain loops";
  return std::nullopt;
}

}  // namespace

std::optional<TBlobChainWalk> WalkBlobChain(TBlobFile& file, uint32_t firstBlock, int32_t blobId) {
  TBlobChainWalk walk;
  if (!file.IsBlockOffset(firstBlock)) {
    walk.Findings.push_back("first block " + Number(firstBlock) + " is no block of the file");
    return walk;
  }
  std::set<uint32_t> met;
  uint64_t total = 0, collected = 0;
  uint32_t previous = 0;
  for (uint32_t offset = firstBlock;;) {
    TBlock* got = file.GetBlock(offset);
    if (got == nullptr) return std::nullopt;
    TPinnedBlock block(file, got);
    if (block->BlobId() != blobId) {
      walk.Findings.push_back("block " + Number(offset) + " belongs to value " + std::to_string(block->BlobId()) + ", not to value " + std::to_string(blobId));
      return walk;
    }
    walk.Blocks.push_back(offset);
    met.insert(offset);
    if (offset == firstBlock) total = block->TotalLength();
    if (block->Previous() != previous)
      walk.Findings.push_back("block " + Number(offset) + " links back to " + Number(block->Previous()) + " instead of " + Number(previous));
    if (block->UsedBytes() > file.DataPerBlock())
      walk.Findings.push_back("block " + Number(offset) + " claims " + Number(block->UsedBytes()) + " bytes, a block holds " + std::to_string(file.DataPerBlock()));
    collected += block->UsedBytes();
    const uint32_t next = block->Next();
    if (next == 0) {
      if (collected != total)
        walk.Findings.push_back("the chain holds " + Number(collected) + " bytes of a value of " + Number(total));
      return walk;
    }
    if (collected >= total) {
      walk.Findings.push_back("the chain goes on after the value's " + Number(total) + " bytes");
      return walk;
    }
    if (std::optional<std::string> fault = LinkFault(file, offset, next, met)) {
      walk.Findings.push_back(*fault);
      return walk;
    }
    previous = offset;
    offset = next;
  }
}

std::optional<TBlobChainWalk> WalkFreeBlocks(TBlobFile& file) {
  TBlobChainWalk walk;
  std::set<uint32_t> met;
  const uint32_t first = file.Header().FirstFreeBlock();
  if (first != 0 && !file.IsBlockOffset(first)) {
    walk.Findings.push_back("the free list starts at " + Number(first) + ", which is no block of the file");
    return walk;
  }
  for (uint32_t offset = first; offset != 0;) {
    TBlock* got = file.GetBlock(offset);
    if (got == nullptr) return std::nullopt;
    TPinnedBlock block(file, got);
    walk.Blocks.push_back(offset);
    met.insert(offset);
    const uint32_t next = block->Next();
    if (next == 0) break;
    if (std::optional<std::string> fault = LinkFault(file, offset, next, met)) {
      walk.Findings.push_back("free list: " + *fault);
      break;
    }
    offset = next;
  }
  return walk;
}

}  // namespace sklad
