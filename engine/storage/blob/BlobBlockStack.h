// TBlockStack: the pool of a BLOB file's TBlock objects. It owns every block object; the block
// cache borrows them and hands them back, so data areas are reused instead of reallocated.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "BlobBlock.h"

namespace sklad {

class TBlockStack {
 public:
  // A spare block or a new one, reset to zeros, unpinned, for that offset and block size.
  TBlock* Take(uint32_t offset, int32_t blockSize);
  void Return(TBlock* block);

 private:
  std::vector<std::unique_ptr<TBlock>> FBlocks;
  std::vector<TBlock*> FSpare;
};

}  // namespace sklad
