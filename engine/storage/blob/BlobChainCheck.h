// The read-only check of a BLOB file's chains, for tools that verify a table: one value's chain
// followed from its first block, and the free-block list, each described by the blocks met and
// one readable line per fault. Nothing is changed, nothing raised for damage, and every walk
// stops after as many blocks as the file holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BlobFile.h"

namespace sklad {

struct TBlobChainWalk {
  std::vector<uint32_t> Blocks;        // the sound blocks met, in chain order
  std::vector<std::string> Findings;   // empty when the chain is sound
};

// The value with identifier blobId from firstBlock: every offset a block of the file, every
// block carrying the identifier and linked back to the one before it, no block met twice, used
// counts within a block, and the used bytes adding up to the first block's total length exactly
// where the chain ends. None when another user's change interrupted the walk (the caches are
// then gone; the caller starts again).
std::optional<TBlobChainWalk> WalkBlobChain(TBlobFile& file, uint32_t firstBlock, int32_t blobId);

// The free list from the header: every offset a block of the file, no block met twice.
std::optional<TBlobChainWalk> WalkFreeBlocks(TBlobFile& file);

}  // namespace sklad
