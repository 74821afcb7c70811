#include "SkladSessionList.h"

#include "DatabaseError.h"
#include "SkladSession.h"
#include "engine/storage/core/EngineStartup.h"
#include "engine/storage/file/FileList.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {

TSkladSessionList::TSkladSessionList() {
  // The engine's process-wide state and file registry are made before the list, so that they
  // outlive it at program end, when the default session still closes its databases.
  EngineStarted();
  TFileList::Instance();
  FDefaultSession = std::make_unique<TSkladSession>(*this);
  FDefaultSession->SetSessionName("Default");
}

TSkladSessionList::~TSkladSessionList() { FDefaultSession.reset(); }

void TSkladSessionList::Add(TSkladSession& session) {
  std::lock_guard guard(FListLock);
  if (FSessions.Count() == 0) FDefault = &session;
  FSessions.Add(&session);
}

void TSkladSessionList::Remove(TSkladSession& session) {
  std::lock_guard guard(FListLock);
  const int index = FSessions.IndexOf(&session);
  if (index >= 0) FSessions.Delete(index);
  if (FDefault == &session) FDefault = nullptr;
}

TSkladSession* TSkladSessionList::FindSession(std::string_view name) const {
  if (name.empty()) return FDefault;
  std::lock_guard guard(FListLock);
  for (TSkladSession* session : FSessions)
    if (SameName(session->SessionName(), name)) return session;
  return nullptr;
}

TSkladSession& TSkladSessionList::OpenSession(std::string_view name) const {
  TSkladSession* session = FindSession(name);
  if (!session) RaiseDatabaseError(dberr::SessionNameInvalid, name);
  return *session;
}

int TSkladSessionList::Count() const {
  std::lock_guard guard(FListLock);
  return FSessions.Count();
}

TSkladSessionList& SkladSessions() {
  static TSkladSessionList list;
  return list;
}

}  // namespace sklad
