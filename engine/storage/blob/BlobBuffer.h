// TBlobBuffer: one whole BLOB value in memory while a cursor works with it — the value's bytes
// and where it lives: record, field, first block and BLOB identifier. The cursor engine keeps
// its open buffers and sets the open mode and keep flag.
#pragma once

#include <cstdint>
#include <vector>

namespace sklad {

struct TBlobBuffer {
  bool Modified = false;
  int32_t BlobId = 0;
  int32_t RecordNumber = 0;
  uint16_t FieldNumber = 0;
  uint32_t FirstBlock = 0;
  std::vector<uint8_t> Bytes;
  uint8_t OpenMode = 0;
  bool Keep = false;
};

}  // namespace sklad
