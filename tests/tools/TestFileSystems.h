// File services for the tool tests in place of the operating system's: the scope that puts one
// in place, and a disk that fills up.
#pragma once

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/FileSystem.h"

namespace sklad::testing {

class FileSystemInUse {
 public:
  explicit FileSystemInUse(platform::FileSystem& fileSystem) { platform::SetFileSystem(&fileSystem); }
  ~FileSystemInUse() { platform::SetFileSystem(nullptr); }
  FileSystemInUse(const FileSystemInUse&) = delete;
  FileSystemInUse& operator=(const FileSystemInUse&) = delete;
};

// A disk with room for a number of bytes: a write beyond them writes what fits and fails with
// ENOSPC. Keeps the size of every write asked for, so that a test can fill the disk up at any
// one of them.
class FullDisk : public platform::FileSystem {
 public:
  explicit FullDisk(uint64_t room = UINT64_MAX) : FRoom(room) {}

  int WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done) override {
    Writes.push_back(count);
    const size_t allowed = count < FRoom ? count : static_cast<size_t>(FRoom);
    if (int error = FileSystem::WriteAt(fd, buffer, allowed, offset, done)) return error;
    FRoom -= done;
    return done < count ? ENOSPC : 0;
  }

  // The room that lets the writes before write `number` (0-based) through and stops that one.
  uint64_t RoomBefore(size_t number) const {
    uint64_t room = 0;
    for (size_t i = 0; i < number && i < Writes.size(); ++i) room += Writes[i];
    return room;
  }

  std::vector<size_t> Writes;

 private:
  uint64_t FRoom;
};

}  // namespace sklad::testing
