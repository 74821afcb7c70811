#include "EngineStartup.h"

#include <memory>
#include <mutex>

#include "EngineError.h"
#include "engine/storage/language/LanguageCharMaps.h"
#include "SystemList.h"

namespace sklad {
namespace {

struct TEngineState {
  std::recursive_mutex Lock;
  TSystemList<std::unique_ptr<TDataSession>> Sessions;  // the first is the start-up session
  TDataSession* Current = nullptr;
};

TEngineState& Engine() {
  static TEngineState state;
  return state;
}

void RequireStarted(const TEngineState& engine) {
  if (engine.Sessions.Count() == 0) RaiseEngineError(err::EngineNotInitialized);
}

}  // namespace

void StartEngine() {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  if (engine.Sessions.Count() > 0) return;
  LanguageCharMaps();  // the process-wide character map cache exists before any table opens
  engine.Sessions.Add(std::make_unique<TDataSession>());
  engine.Current = engine.Sessions.First().get();
}

bool EngineStarted() {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  return engine.Sessions.Count() > 0;
}

TDataSession& CurrentSession() {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  RequireStarted(engine);
  return *engine.Current;
}

TDataSession& StartupSession() {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  RequireStarted(engine);
  return *engine.Sessions.First();
}

TDataSession& NewSession() {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  RequireStarted(engine);
  engine.Sessions.Add(std::make_unique<TDataSession>());
  return *engine.Sessions.Last();
}

void SetCurrentSession(TDataSession& session) {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  RequireStarted(engine);
  engine.Current = &session;
}

void FreeSession(TDataSession& session) {
  TEngineState& engine = Engine();
  std::lock_guard guard(engine.Lock);
  for (int i = 1; i < engine.Sessions.Count(); ++i)
    if (engine.Sessions[i].get() == &session) {
      if (engine.Current == &session) engine.Current = engine.Sessions.First().get();
      engine.Sessions.Delete(i);
      return;
    }
}

}  // namespace sklad
