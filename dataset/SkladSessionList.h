// TSkladSessionList: the process-wide list of session components, with the default session
// "Default" and the EngineLock that serialises every session-level call into the engine.
#pragma once

#include <memory>
#include <mutex>
#include <string_view>

#include "engine/storage/core/SystemList.h"

namespace sklad {

class TSkladSession;

class TSkladSessionList {
 public:
  // Creates the default session, named "Default".
  TSkladSessionList();
  // Destroys the default session; the other sessions belong to their creators.
  ~TSkladSessionList();
  TSkladSessionList(const TSkladSessionList&) = delete;
  TSkladSessionList& operator=(const TSkladSessionList&) = delete;

  // An empty name gives the default session; otherwise the first session of that name, letter
  // case ignored; none when there is no such session.
  TSkladSession* FindSession(std::string_view name) const;
  // FindSession, raising "Session name %s is not valid." when there is none.
  TSkladSession& OpenSession(std::string_view name) const;
  TSkladSession& DefaultSession() const { return *FDefault; }
  int Count() const;

  // The process-wide critical section of the engine; re-entrant on the thread that holds it.
  std::recursive_mutex& EngineLock() { return FEngineLock; }

 private:
  friend class TSkladSession;
  // The first session added becomes the default session.
  void Add(TSkladSession& session);
  void Remove(TSkladSession& session);

  mutable std::mutex FListLock;
  TSystemList<TSkladSession*> FSessions;
  TSkladSession* FDefault = nullptr;
  std::unique_ptr<TSkladSession> FDefaultSession;
  std::recursive_mutex FEngineLock;
};

// The layer's one session list, created with the default session on first use.
TSkladSessionList& SkladSessions();

}  // namespace sklad
