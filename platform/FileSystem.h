// The operating-system file services the engine needs, behind one small interface so that tests
// can put a faulty one in its place (failed or short writes, a full disk, a failed lock).
// Every call answers 0 or an errno value; byte ranges and offsets are 64-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct FileAttributes {
  bool exists = false;
  bool directory = false;
  bool readOnly = false;  // no write permission bit is set, whoever asks (also root)
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual int OpenExisting(const std::string& path, bool forWriting, int& fd);
  // Opens the file for reading and writing, creating it when missing; never truncates.
  virtual int OpenOrCreate(const std::string& path, int& fd);
  // Creates a new file for reading and writing; EEXIST when the file exists already, so that of
  // two users creating the same name only one succeeds.
  virtual int CreateExclusive(const std::string& path, int& fd);
  virtual int Close(int fd);

  virtual int ReadAt(int fd, void* buffer, size_t count, int64_t offset, size_t& done);
  virtual int WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done);
  virtual int Truncate(int fd, int64_t size);
  virtual int Size(int fd, int64_t& size);
  virtual int Sync(int fd);

  virtual int Attributes(const std::string& path, FileAttributes& attributes);
  virtual int Remove(const std::string& path);
  virtual int Rename(const std::string& from, const std::string& to);

  // Byte-range locks of the open file description, never waiting: EAGAIN when another open
  // file description (another process, or another open of the file) holds a conflicting lock.
  // Shared locks are the only kind a descriptor opened for reading can take.
  virtual int Lock(int fd, int64_t offset, int64_t length, bool shared);
  virtual int Unlock(int fd, int64_t offset, int64_t length);
  // Whether another open file description holds a lock that would keep an exclusive lock out.
  virtual int IsLockedByOthers(int fd, int64_t offset, int64_t length, bool& locked);
};

// The file services in use: the operating system's unless a test installed its own.
FileSystem& CurrentFileSystem();
// Installs another implementation (nullptr restores the operating system's); for tests.
void SetFileSystem(FileSystem* fileSystem);

}  // namespace platform
