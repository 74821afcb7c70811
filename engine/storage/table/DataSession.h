// TDataSession: the engine session — the settings that govern locking, flushing and change
// detection, the default and private directories, the password list for encrypted tables, and
// the open database directories.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataDirectory;

class TDataSession {
 public:
  static constexpr uint8_t kDefaultLockRetryCount = 15;
  static constexpr uint16_t kDefaultLockWaitTime = 100;

  // The default directory is the process's current directory.
  TDataSession();
  ~TDataSession();
  TDataSession(const TDataSession&) = delete;
  TDataSession& operator=(const TDataSession&) = delete;

  // Ignored when empty; otherwise trimmed and given a trailing separator.
  void SetPrivateDirectory(std::string_view directory);
  const std::string& PrivateDirectory() const { return FPrivateDirectory; }
  const std::string& DefaultDirectory() const { return FDefaultDirectory; }
  // Where sorts and result tables put their files: the private directory when set.
  const std::string& TemporaryDirectory() const;

  // Passwords are compared exactly, letter case included.
  void AddPassword(std::string_view password);
  void RemovePassword(std::string_view password);
  void RemoveAllPasswords() { FPasswords.Clear(); }
  bool PasswordKnown(std::string_view password) const;

  // "MEMORY" in any letter case is the in-memory database. Otherwise the directory of the path
  // (the default directory when empty) is shared with an open one of the same universal path.
  TDataDirectory* OpenDirectory(std::string_view databaseName, std::string_view path);
  // 0, or -11013 when the directory is not one of this session's.
  int CloseDirectory(TDataDirectory* directory);
  int DirectoryCount() const { return FDirectories.Count(); }

  bool ForceBufferFlush = false;
  bool StrictChangeDetection = false;
  uint8_t LockRetryCount = kDefaultLockRetryCount;
  uint16_t LockWaitTime = kDefaultLockWaitTime;  // milliseconds
  uint16_t LanguageId;
  uint16_t SortId = 0;

 private:
  std::string FDefaultDirectory;
  std::string FPrivateDirectory;
  TSystemList<std::string> FPasswords;
  TSystemList<std::unique_ptr<TDataDirectory>> FDirectories;
};

}  // namespace sklad
