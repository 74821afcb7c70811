// Helpers for the BLOB file tests: an in-memory BLOB file of a chosen block size, values written
// and read back through whole-value chains, and raw access to stored blocks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DataFileTestSupport.h"
#include "engine/storage/blob/BlobChain.h"
#include "engine/storage/blob/BlobFile.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad::testing {

// Bytes of a value that differ from block to block, so that a misplaced block shows.
inline std::vector<uint8_t> PatternBytes(size_t length, uint32_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((i * 31 + seed * 7 + i / 251) & 0xFF);
  return bytes;
}

class BlobFileFixture {
 public:
  explicit BlobFileFixture(int32_t blockSize = 0, std::string name = UniqueTableName("BLOB"))
      : FName(std::move(name)), FBlockSize(blockSize) {
    File = std::make_unique<TBlobFile>(FName, true, &Owner);
    File->SetBlockSize(blockSize);
    File->Create();
  }
  ~BlobFileFixture() {
    File.reset();
    DeleteFile(FName);
  }

  // Writes the value under that identifier over the chain at first (0: a new chain).
  uint32_t Write(const std::vector<uint8_t>& bytes, int32_t id, uint32_t first = 0) {
    TBlobBuffer buffer;
    buffer.BlobId = id;
    buffer.FirstBlock = first;
    buffer.Bytes = bytes;
    WriteBlobValue(*File, buffer);
    return buffer.FirstBlock;
  }
  std::vector<uint8_t> Read(uint32_t first, int32_t id) {
    TBlobBuffer buffer;
    buffer.BlobId = id;
    buffer.FirstBlock = first;
    ReadBlobValue(*File, buffer);
    return buffer.Bytes;
  }
  // Writes blocks and header and opens the file again with an empty cache.
  void Reopen() {
    File->WriteModifiedBlocks();
    File->WriteHeader(true);
    File->Close();
    File = std::make_unique<TBlobFile>(FName, true, &Owner);
    File->SetBlockSize(FBlockSize);
    File->Open();
  }
  uint32_t BlocksInFile() const {
    return (File->Header().NextBlockOffset() - TBlobFile::kFirstBlockOffset) / static_cast<uint32_t>(File->BlockSize());
  }
  const std::string& Name() const { return FName; }

  TTestOwner Owner;
  std::unique_ptr<TBlobFile> File;

 private:
  std::string FName;
  int32_t FBlockSize;
};

}  // namespace sklad::testing
