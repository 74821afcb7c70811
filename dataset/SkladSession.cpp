#include "SkladSession.h"

#include <mutex>

#include "DatabaseError.h"
#include "SkladDatabase.h"
#include "SkladSessionList.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineStartup.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {
namespace {

TSkladSession::TPasswordDialog& InstalledPasswordDialog() {
  static TSkladSession::TPasswordDialog dialog;
  return dialog;
}

}  // namespace

TSkladSession::TSkladSession() : TSkladSession(SkladSessions()) {}

TSkladSession::TSkladSession(TSkladSessionList& list) : FList(list), FLanguageId(DefaultSessionLanguage()) {
  FList.Add(*this);
}

TSkladSession::~TSkladSession() {
  try {
    SetActive(false);
  } catch (...) {
    // A destructor must not throw; the engine session goes with the process.
  }
  while (FTemporaryDatabases.Count() > 0) DestroyTemporary(*FTemporaryDatabases.Last());
  // Databases made by their own creators outlive the session; they bind to a session of their
  // SessionName again when opened.
  for (TSkladDatabase* database : FDatabases) database->FSession = nullptr;
  FList.Remove(*this);
}

bool TSkladSession::IsDefault() const { return &FList.DefaultSession() == this; }

// ---- EngineLock ----

void TSkladSession::EnterEngine() {
  if (FLockCount == 0) FList.EngineLock().lock();
  ++FLockCount;
}

void TSkladSession::LeaveEngine() {
  if (--FLockCount == 0) FList.EngineLock().unlock();
}

TSkladSession::TEngineLock::TEngineLock(TSkladSession& session) : FSession(session) {
  FSession.EnterEngine();
  try {
    if (!FSession.Active()) FSession.Activate();
    SetCurrentSession(*FSession.FEngine);
  } catch (...) {
    FSession.LeaveEngine();
    throw;
  }
}

TSkladSession::TEngineLock::~TEngineLock() { FSession.LeaveEngine(); }

// ---- Activation ----

void TSkladSession::SetActive(bool active) {
  if (active == Active()) return;
  if (active)
    Activate();
  else
    Deactivate();
}

void TSkladSession::Activate() {
  {
    std::lock_guard guard(FList.EngineLock());
    if (OnStartup) OnStartup(*this);
  }
  if (Active()) return;
  if (FSessionName.empty()) RaiseDatabaseError(dberr::SessionNameMissing);
  if (!IsDefault()) FList.DefaultSession().SetActive(true);
  std::lock_guard guard(FList.EngineLock());
  if (IsDefault()) {
    StartEngine();
    FEngine = &StartupSession();
  } else {
    FEngine = &NewSession();
  }
  SetCurrentSession(*FEngine);
  try {
    PassSettings();
  } catch (...) {
    Deactivate();
    throw;
  }
}

void TSkladSession::Deactivate() {
  {
    TEngineLock lock(*this);
    for (int i = FDatabases.Count() - 1; i >= 0; --i) {
      if (i >= FDatabases.Count()) continue;  // closing one database may have destroyed others
      TSkladDatabase& database = *FDatabases[i];
      if (database.IsTemporary())
        DestroyTemporary(database);
      else
        database.Close();
    }
    if (IsDefault()) {
      // The start-up session stays with the engine; a later activation starts it afresh.
      FEngine->RemoveAllPasswords();
    } else {
      FreeSession(*FEngine);
    }
    FEngine = nullptr;
  }
  if (TSkladSession& fallback = FList.DefaultSession(); fallback.FEngine) SetCurrentSession(*fallback.FEngine);
}

void TSkladSession::PassSettings() {
  FEngine->SetPrivateDirectory(FPrivateDir);
  FEngine->StrictChangeDetection = FStrictChangeDetection;
  FEngine->ForceBufferFlush = FForceBufferFlush;
  FEngine->LockRetryCount = FLockRetryCount;
  FEngine->LockWaitTime = FLockWaitTime;
  FEngine->LanguageId = FLanguageId;
  FEngine->SortId = FSortId;
}

// ---- Properties ----

void TSkladSession::SetPrivateDir(std::string_view value) {
  ChangeSetting(FPrivateDir, std::string(value.substr(0, kMaxPrivateDirLength)));
}

void TSkladSession::SetSessionName(std::string_view name) {
  if (name == FSessionName) return;
  if (Active()) RaiseDatabaseError(dberr::SessionActive);
  if (!name.empty())
    if (const TSkladSession* other = FList.FindSession(name); other && other != this)
      RaiseDatabaseError(dberr::SessionNameExists, name);
  FSessionName = name;
}

// ---- Databases ----

void TSkladSession::AddDatabase(TSkladDatabase& database) { FDatabases.Add(&database); }

void TSkladSession::RemoveDatabase(TSkladDatabase& database) {
  if (const int index = FDatabases.IndexOf(&database); index >= 0) FDatabases.Delete(index);
}

TSkladDatabase& TSkladSession::AdoptTemporary(std::unique_ptr<TSkladDatabase> database) {
  FTemporaryDatabases.Add(std::move(database));
  return *FTemporaryDatabases.Last();
}

void TSkladSession::DestroyTemporary(TSkladDatabase& database) {
  for (int i = 0; i < FTemporaryDatabases.Count(); ++i)
    if (FTemporaryDatabases[i].get() == &database) {
      // Out of the list first: closing it may come back here through its datasets.
      std::unique_ptr<TSkladDatabase> doomed = std::move(FTemporaryDatabases[i]);
      FTemporaryDatabases.Delete(i);
      return;
    }
}

TSkladDatabase* TSkladSession::FindDatabase(std::string_view name) const {
  for (TSkladDatabase* database : FDatabases)
    if ((!database->DatabaseName().empty() || database->IsTemporary()) && SameName(database->DatabaseName(), name))
      return database;
  return nullptr;
}

TSkladDatabase& TSkladSession::OpenDatabase(std::string_view name) {
  TEngineLock lock(*this);
  TSkladDatabase* database = FindDatabase(name);
  const bool created = database == nullptr;
  if (created) {
    auto temporary = std::unique_ptr<TSkladDatabase>(new TSkladDatabase(*this, TSkladDatabase::kTemporary));
    temporary->SetDatabaseName(name);
    temporary->SetKeepConnection(FKeepConnections);
    database = &AdoptTemporary(std::move(temporary));
  }
  try {
    database->Open();
  } catch (...) {
    if (created) DestroyTemporary(*database);
    throw;
  }
  ++database->FReferenceCount;
  return *database;
}

void TSkladSession::CloseDatabase(TSkladDatabase& database) {
  if (database.FReferenceCount > 0) --database.FReferenceCount;
  if (database.FReferenceCount > 0 || database.KeepConnection() || database.FClosing) return;
  if (database.IsTemporary())
    DestroyTemporary(database);
  else
    database.Close();
}

// ---- Passwords ----

void TSkladSession::AddPassword(std::string_view password) {
  TEngineLock lock(*this);
  FEngine->AddPassword(password);
  ++FPasswordChanges;
}

void TSkladSession::RemovePassword(std::string_view password) {
  TEngineLock lock(*this);
  FEngine->RemovePassword(password);
  ++FPasswordChanges;
}

void TSkladSession::RemoveAllPasswords() {
  TEngineLock lock(*this);
  FEngine->RemoveAllPasswords();
  ++FPasswordChanges;
}

bool TSkladSession::RequestPassword() {
  const int changesBefore = FPasswordChanges;
  bool continueOpen = false;
  if (OnPassword)
    OnPassword(*this, continueOpen);
  else if (const TPasswordDialog& dialog = InstalledPasswordDialog())
    continueOpen = dialog(*this);
  return continueOpen && FPasswordChanges != changesBefore;
}

void TSkladSession::SetPasswordDialog(TPasswordDialog dialog) { InstalledPasswordDialog() = std::move(dialog); }

}  // namespace sklad
