#include "FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

int LastError() { return errno != 0 ? errno : EIO; }

int RangeLock(int fd, int command, short type, int64_t offset, int64_t length, struct flock& lock) {
  lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  lock.l_pid = 0;  // required by open-file-description locks
  return fcntl(fd, command, &lock) == 0 ? 0 : LastError();
}

FileSystem gOperatingSystem;
std::atomic<FileSystem*> gCurrent = &gOperatingSystem;

}  // namespace

int FileSystem::OpenExisting(const std::string& path, bool forWriting, int& fd) {
  fd = ::open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return LastError();
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    fd = -1;
    return EISDIR;
  }
  return 0;
}

int FileSystem::OpenOrCreate(const std::string& path, int& fd) {
  fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  return fd < 0 ? LastError() : 0;
}

int FileSystem::CreateExclusive(const std::string& path, int& fd) {
  fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd < 0 ? LastError() : 0;
}

int FileSystem::Close(int fd) { return ::close(fd) == 0 ? 0 : LastError(); }

int FileSystem::ReadAt(int fd, void* buffer, size_t count, int64_t offset, size_t& done) {
  done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, count - done,
                              static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int FileSystem::WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done) {
  done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd, static_cast<const char*>(buffer) + done, count - done,
                               static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) return ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int FileSystem::Truncate(int fd, int64_t size) {
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : LastError();
}

int FileSystem::Size(int fd, int64_t& size) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return LastError();
  size = info.st_size;
  return 0;
}

int FileSystem::Sync(int fd) { return ::fsync(fd) == 0 ? 0 : LastError(); }

int FileSystem::Attributes(const std::string& path, FileAttributes& attributes) {
  attributes = {};
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return LastError();
  attributes.exists = true;
  attributes.directory = S_ISDIR(info.st_mode);
  attributes.readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return 0;
}

int FileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : LastError(); }

int FileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError();
}

int FileSystem::Lock(int fd, int64_t offset, int64_t length, bool shared) {
  struct flock lock;
  return RangeLock(fd, F_OFD_SETLK, shared ? F_RDLCK : F_WRLCK, offset, length, lock);
}

int FileSystem::Unlock(int fd, int64_t offset, int64_t length) {
  struct flock lock;
  return RangeLock(fd, F_OFD_SETLK, F_UNLCK, offset, length, lock);
}

int FileSystem::IsLockedByOthers(int fd, int64_t offset, int64_t length, bool& locked) {
  struct flock lock;
  const int error = RangeLock(fd, F_OFD_GETLK, F_WRLCK, offset, length, lock);
  locked = error == 0 && lock.l_type != F_UNLCK;
  return error;
}

FileSystem& CurrentFileSystem() { return *gCurrent.load(); }

void SetFileSystem(FileSystem* fileSystem) { gCurrent = fileSystem ? fileSystem : &gOperatingSystem; }

}  // namespace platform
