// TSkladSession: the session component — one engine session with its settings, passwords and
// databases; settings changed while active reach the engine session at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/core/SystemList.h"

namespace sklad {

class TDataSession;
class TSkladDatabase;
class TSkladSessionList;

class TSkladSession {
 public:
  static constexpr std::string_view kEngineVersion = "2.11";
  static constexpr size_t kMaxPrivateDirLength = 255;

  // Continue starts false; a handler that has added a password sets it true to try again.
  using TPasswordEvent = std::function<void(TSkladSession& sender, bool& continueOpen)>;
  using TNotifyEvent = std::function<void(TSkladSession& sender)>;
  // The password dialog asked when no OnPassword handler is set: true when closed with OK.
  using TPasswordDialog = std::function<bool(TSkladSession& session)>;

  // Registered in the layer's session list; the first session of a list is its default one.
  TSkladSession();
  explicit TSkladSession(TSkladSessionList& list);
  // Deactivates the session, destroys its temporary databases and leaves the list.
  ~TSkladSession();
  TSkladSession(const TSkladSession&) = delete;
  TSkladSession& operator=(const TSkladSession&) = delete;

  std::string_view EngineVersion() const { return kEngineVersion; }
  bool Active() const { return FEngine != nullptr; }
  void SetActive(bool active);
  bool IsDefault() const;

  bool ForceBufferFlush() const { return FForceBufferFlush; }
  void SetForceBufferFlush(bool value) { ChangeSetting(FForceBufferFlush, value); }
  bool KeepConnections() const { return FKeepConnections; }
  void SetKeepConnections(bool value) { FKeepConnections = value; }
  uint8_t LockRetryCount() const { return FLockRetryCount; }
  void SetLockRetryCount(uint8_t value) { ChangeSetting(FLockRetryCount, value); }
  uint16_t LockWaitTime() const { return FLockWaitTime; }
  void SetLockWaitTime(uint16_t value) { ChangeSetting(FLockWaitTime, value); }
  const std::string& PrivateDir() const { return FPrivateDir; }
  // Cut to 255 characters.
  void SetPrivateDir(std::string_view value);
  const std::string& SessionName() const { return FSessionName; }
  // Refused on an active session and for a name another session has.
  void SetSessionName(std::string_view name);
  bool StrictChangeDetection() const { return FStrictChangeDetection; }
  void SetStrictChangeDetection(bool value) { ChangeSetting(FStrictChangeDetection, value); }
  uint16_t LanguageID() const { return FLanguageId; }
  void SetLanguageID(uint16_t value) { ChangeSetting(FLanguageId, value); }
  uint16_t SortID() const { return FSortId; }
  void SetSortID(uint16_t value) { ChangeSetting(FSortId, value); }

  TPasswordEvent OnPassword;
  TNotifyEvent OnStartup;

  // The database of that name, opened and referenced once more; a name no database has gets a
  // temporary database, whose directory is the name itself when the name is a path.
  TSkladDatabase& OpenDatabase(std::string_view name);
  // Drops one reference; a database left without references and without KeepConnection is
  // closed, or destroyed when temporary.
  void CloseDatabase(TSkladDatabase& database);
  // The first database with a name, or temporary, whose DatabaseName is the name (case ignored).
  TSkladDatabase* FindDatabase(std::string_view name) const;
  int DatabaseCount() const { return FDatabases.Count(); }
  TSkladDatabase& Database(int index) const { return *FDatabases[index]; }

  // Passwords for encrypted tables, kept by the engine session (activated when needed).
  void AddPassword(std::string_view password);
  void RemovePassword(std::string_view password);
  void RemoveAllPasswords();
  // Asked by a table being opened that needs a password: OnPassword when set, else the password
  // dialog. True means "try again": only when the answer was to continue and the passwords were
  // changed meanwhile, so that a handler which adds nothing cannot keep an open asking forever.
  bool RequestPassword();
  // The dialog is installed by the windowed program; without one the request gives up.
  static void SetPasswordDialog(TPasswordDialog dialog);

  // The engine session while active, none otherwise.
  TDataSession* EngineSession() const { return FEngine; }

  // Holds the EngineLock for this session and makes its engine session the current one,
  // activating the session when needed. Nests within the same session.
  class TEngineLock {
   public:
    explicit TEngineLock(TSkladSession& session);
    ~TEngineLock();
    TEngineLock(const TEngineLock&) = delete;
    TEngineLock& operator=(const TEngineLock&) = delete;

   private:
    TSkladSession& FSession;
  };

 private:
  friend class TSkladDatabase;
  void AddDatabase(TSkladDatabase& database);
  void RemoveDatabase(TSkladDatabase& database);
  // Takes ownership of a temporary database; DestroyTemporary frees it.
  TSkladDatabase& AdoptTemporary(std::unique_ptr<TSkladDatabase> database);
  void DestroyTemporary(TSkladDatabase& database);

  void EnterEngine();
  void LeaveEngine();
  void Activate();
  void Deactivate();
  void PassSettings();
  template <class T>
  void ChangeSetting(T& setting, T value);

  TSkladSessionList& FList;
  TDataSession* FEngine = nullptr;
  TSystemList<TSkladDatabase*> FDatabases;
  TSystemList<std::unique_ptr<TSkladDatabase>> FTemporaryDatabases;
  int FLockCount = 0;
  // Counts password changes, so that a password request can tell whether it added one.
  int FPasswordChanges = 0;

  bool FForceBufferFlush = false;
  bool FKeepConnections = false;
  uint8_t FLockRetryCount = 15;
  uint16_t FLockWaitTime = 100;
  std::string FPrivateDir;
  std::string FSessionName;
  bool FStrictChangeDetection = false;
  uint16_t FLanguageId;
  uint16_t FSortId = 0;
};

template <class T>
void TSkladSession::ChangeSetting(T& setting, T value) {
  if (!Active()) {
    setting = value;
    return;
  }
  TEngineLock lock(*this);
  if (setting == value) return;
  setting = value;
  PassSettings();
}

}  // namespace sklad
