// TSkladDatabase: a named connection to one database directory of a session, held open by its
// datasets; sessions make temporary ones for datasets that name a directory path.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataDirectory;
class TSkladDBDataSet;
class TSkladSession;

class TSkladDatabase {
 public:
  static constexpr size_t kMaxNameLength = 255;
  using TNotifyEvent = std::function<void(TSkladDatabase& sender)>;

  // Registered in the session (the default session when none is given).
  TSkladDatabase();
  explicit TSkladDatabase(TSkladSession& session);
  // Closes the database and leaves its session.
  ~TSkladDatabase();
  TSkladDatabase(const TSkladDatabase&) = delete;
  TSkladDatabase& operator=(const TSkladDatabase&) = delete;

  std::string_view EngineVersion() const;
  bool Connected() const { return FDirectory != nullptr; }
  void SetConnected(bool connected);
  void Open();
  // Closes every dataset using the database, last first, and releases the engine directory.
  void Close();

  const std::string& DatabaseName() const { return FDatabaseName; }
  // Refused while open. A database of its own needs a name that is not a path and starts with a
  // letter, "_" or a character 0x81..0xFE; the name must be unique in the session.
  void SetDatabaseName(std::string_view name);
  const std::string& Directory() const { return FDirectoryPath; }
  void SetDirectory(std::string_view path);
  bool HandleShared() const { return FHandleShared; }
  void SetHandleShared(bool value) { FHandleShared = value; }
  bool KeepConnection() const { return FKeepConnection; }
  // Turning it off closes a database no dataset references.
  void SetKeepConnection(bool value);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(std::string_view name);

  TNotifyEvent BeforeConnect;

  bool IsTemporary() const { return FTemporary; }
  int ReferenceCount() const { return FReferenceCount; }
  int DataSetCount() const { return FDataSets.Count(); }
  // None while the database has not been bound to a live session.
  TSkladSession* Session() const { return FSession; }
  // The engine's directory while open.
  TDataDirectory* EngineDirectory() const { return FDirectory; }

  // Whether a database name is a directory path: it holds "\", "/" or ":".
  static bool IsPath(std::string_view name);

 private:
  friend class TSkladSession;
  friend class TSkladDBDataSet;
  enum TTemporaryTag { kTemporary };
  TSkladDatabase(TSkladSession& session, TTemporaryTag);

  void CheckClosed() const;
  void CheckNameValid(std::string_view name) const;
  // Raises for another database of the session with the same name, unless both share handles;
  // an unused temporary one of that name is destroyed instead.
  void CheckNameUnique(std::string_view name);
  // Moves the database to the session its SessionName names.
  void BindSession();
  void OpenDirectory();
  void AttachDataSet(TSkladDBDataSet& dataSet) { FDataSets.Add(&dataSet); }
  void DetachDataSet(TSkladDBDataSet& dataSet);

  TSkladSession* FSession;
  std::string FDatabaseName;
  std::string FDirectoryPath;
  std::string FSessionName;
  bool FHandleShared = false;
  bool FKeepConnection = true;
  bool FTemporary = false;
  bool FClosing = false;
  int FReferenceCount = 0;
  TDataDirectory* FDirectory = nullptr;
  TSystemList<TSkladDBDataSet*> FDataSets;
};

}  // namespace sklad
