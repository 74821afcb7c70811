#include "BlobBlockStack.h"

namespace sklad {

TBlock* TBlockStack::Take(uint32_t offset, int32_t blockSize) {
  TBlock* block;
  if (!FSpare.empty()) {
    block = FSpare.back();
    FSpare.pop_back();
  } else {
    FBlocks.push_back(std::make_unique<TBlock>());
    block = FBlocks.back().get();
  }
  block->Reset(offset, blockSize);
  return block;
}

void TBlockStack::Return(TBlock* block) {
  block->Pins = 0;
  block->Modified = false;
  FSpare.push_back(block);
}

}  // namespace sklad
