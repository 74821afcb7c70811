#include "SkladDatabase.h"

#include <vector>

#include "DatabaseError.h"
#include "SkladDBDataSet.h"
#include "SkladSession.h"
#include "SkladSessionList.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {

TSkladDatabase::TSkladDatabase() : TSkladDatabase(SkladSessions().DefaultSession()) {}

TSkladDatabase::TSkladDatabase(TSkladSession& session) : FSession(&session), FSessionName(session.SessionName()) {
  session.AddDatabase(*this);
}

TSkladDatabase::TSkladDatabase(TSkladSession& session, TTemporaryTag) : TSkladDatabase(session) { FTemporary = true; }

TSkladDatabase::~TSkladDatabase() {
  FClosing = true;
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the engine directory goes with its session.
  }
  if (FSession) FSession->RemoveDatabase(*this);
}

std::string_view TSkladDatabase::EngineVersion() const { return TSkladSession::kEngineVersion; }

bool TSkladDatabase::IsPath(std::string_view name) { return name.find_first_of("\\/:") != std::string_view::npos; }

void TSkladDatabase::CheckClosed() const {
  if (Connected()) RaiseDatabaseError(dberr::DatabaseOpen);
}

void TSkladDatabase::SetConnected(bool connected) {
  if (connected)
    Open();
  else
    Close();
}

void TSkladDatabase::Open() {
  if (Connected()) return;
  if (BeforeConnect) BeforeConnect(*this);
  if (!FTemporary && FDatabaseName.empty()) RaiseDatabaseError(dberr::DatabaseNameMissing);
  if (!FTemporary) BindSession();
  CheckNameUnique(FDatabaseName);
  FSession->SetActive(true);
  OpenDirectory();
}

void TSkladDatabase::BindSession() {
  TSkladSession& session = SkladSessions().OpenSession(FSessionName);
  if (&session == FSession) return;
  if (FSession) FSession->RemoveDatabase(*this);
  FSession = &session;
  session.AddDatabase(*this);
}

void TSkladDatabase::OpenDirectory() {
  TSkladSession::TEngineLock lock(*FSession);
  // A database sharing handles takes a reference of its own on the open directory of its
  // namesake, so the directory stays while either of them uses it.
  if (FHandleShared)
    for (int i = 0; i < FSession->DatabaseCount(); ++i) {
      const TSkladDatabase& other = FSession->Database(i);
      if (&other != this && other.Connected() && SameName(other.FDatabaseName, FDatabaseName)) {
        FDirectory = other.FDirectory;
        FDirectory->AddReference();
        return;
      }
    }
  const bool path = IsPath(FDatabaseName);
  const std::string name = path ? std::string() : FDatabaseName.substr(0, kMaxNameLength);
  const std::string& directory = FTemporary && path ? FDatabaseName : FDirectoryPath;
  FDirectory = FSession->EngineSession()->OpenDirectory(name, directory.substr(0, kMaxNameLength));
}

void TSkladDatabase::Close() {
  if (!Connected()) return;
  const bool wasClosing = FClosing;
  FClosing = true;
  try {
    while (FDataSets.Count() > 0) FDataSets.Last()->Disconnect();
    TSkladSession::TEngineLock lock(*FSession);
    TDataDirectory* directory = FDirectory;
    FDirectory = nullptr;
    FReferenceCount = 0;
    if (const int result = FSession->EngineSession()->CloseDirectory(directory); result < 0)
      RaiseEngineError(static_cast<uint16_t>(-result), FDatabaseName);
  } catch (...) {
    FClosing = wasClosing;
    throw;
  }
  FClosing = wasClosing;
}

void TSkladDatabase::DetachDataSet(TSkladDBDataSet& dataSet) {
  if (const int index = FDataSets.IndexOf(&dataSet); index >= 0) FDataSets.Delete(index);
}

void TSkladDatabase::SetDatabaseName(std::string_view name) {
  if (name == FDatabaseName) return;
  CheckClosed();
  if (!FTemporary && !name.empty()) CheckNameValid(name);
  CheckNameUnique(name);
  FDatabaseName = name;
}

void TSkladDatabase::CheckNameValid(std::string_view name) const {
  if (IsPath(name) || !ValidFirstNameCharacter(static_cast<uint8_t>(name.front())))
    RaiseDatabaseError(dberr::DatabaseNameInvalid, name);
}

void TSkladDatabase::CheckNameUnique(std::string_view name) {
  if (!FSession || name.empty()) return;
  std::vector<TSkladDatabase*> namesakes;
  for (int i = 0; i < FSession->DatabaseCount(); ++i)
    if (TSkladDatabase& other = FSession->Database(i); &other != this && SameName(other.FDatabaseName, name))
      namesakes.push_back(&other);
  for (TSkladDatabase* other : namesakes) {
    if (FHandleShared && other->FHandleShared) continue;
    if (other->FTemporary && other->FReferenceCount == 0)
      FSession->DestroyTemporary(*other);
    else
      RaiseDatabaseError(dberr::DatabaseNameExists, name);
  }
}

void TSkladDatabase::SetDirectory(std::string_view path) {
  if (path == FDirectoryPath) return;
  CheckClosed();
  FDirectoryPath = path;
}

void TSkladDatabase::SetSessionName(std::string_view name) {
  if (name == FSessionName) return;
  CheckClosed();
  FSessionName = name;
}

void TSkladDatabase::SetKeepConnection(bool value) {
  FKeepConnection = value;
  if (!value && FReferenceCount == 0) Close();
}

}  // namespace sklad
