// Whole BLOB values as block chains of a BLOB file: reading a value into a TBlobBuffer, writing
// one back (reusing the old chain's blocks, freeing what is left over), and freeing a chain with
// the checks and repair reports of the table repair. Every chain walk accepts only block offsets
// inside the file and stops after as many blocks as the value's length needs, so a damaged or
// looping chain raises 8963 instead of running on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "BlobBuffer.h"
#include "BlobFile.h"

namespace sklad {

// Repair mode of a chain walk: problems are reported, not raised; with CheckOnly nothing is
// changed.
struct TBlobRepair {
  bool CheckOnly = false;
  std::function<void(const std::string&)> Report;
};

// Reads the value whose chain starts at buffer.FirstBlock with identifier buffer.BlobId.
// 8708 when a block belongs to another value, 8711 when the chain ends before the length, 8963
// for a damaged chain. A read that meets another user's change starts over. A caller reading the
// values of many records in file order sets scanning: a miss on a first block then reads the
// blocks after it too, where the next values usually are.
void ReadBlobValue(TBlobFile& file, TBlobBuffer& buffer, bool scanning = false);

// Writes buffer.Bytes as the chain of buffer.FirstBlock (a new chain when 0) under
// buffer.BlobId; an empty value frees the chain. The stored chain and the new blocks a longer
// value needs are checked before any block changes: 8963 for a chain that leaves the file, meets
// a block twice or a block of another value, or a free list that hands out one of its blocks.
// Afterwards buffer.FirstBlock is the chain's first block offset (0 for an empty value).
void WriteBlobValue(TBlobFile& file, TBlobBuffer& buffer);

// Frees the chain at firstBlock, which should carry blobId. Without repair a mismatch of the
// identifier raises 8963 unless other identifiers are accepted. Answers the first block offset
// the record keeps: 0, or firstBlock when only checking.
uint32_t FreeBlobChain(TBlobFile& file, uint32_t firstBlock, int32_t blobId, int32_t recordNumber,
                       bool acceptOtherIds, const TBlobRepair* repair = nullptr);

}  // namespace sklad
