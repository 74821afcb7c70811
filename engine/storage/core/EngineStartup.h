// The engine's one-time start-up and its process-wide current session. Start-up makes the
// first session, which becomes current; more sessions can be made, made current and freed.
// Asking for the current session before start-up raises 10758.
#pragma once

#include "engine/storage/table/DataSession.h"

namespace sklad {

// Does the start-up once; later calls do nothing.
void StartEngine();
bool EngineStarted();
TDataSession& CurrentSession();
// The session start-up made, current or not (10758 before start-up).
TDataSession& StartupSession();
// A new session owned by the engine (10758 before start-up).
TDataSession& NewSession();
void SetCurrentSession(TDataSession& session);
// Frees a session made by the engine; freeing the current one makes the start-up session
// current again. The start-up session itself is never freed.
void FreeSession(TDataSession& session);

}  // namespace sklad
