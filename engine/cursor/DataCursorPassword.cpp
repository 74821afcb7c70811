// The password of an encrypted table: the session must know it before a cursor opens the
// table; the cursor's callback is asked for it while it is missing.
#include <utility>

#include "DataCursor.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

// A callback that keeps answering that it added a password without adding the right one is
// not asked for ever.
constexpr int kMaxPasswordRequests = 16;

}  // namespace

void TDataCursor::SetPasswordCallback(std::function<bool()> callback) {
  CheckClosed();
  FPasswordCallback = std::move(callback);
}

void TDataCursor::RequestPassword() {
  for (int requests = 0; !FTable->PasswordAvailable(); ++requests) {
    if (FPasswordCallback == nullptr || requests == kMaxPasswordRequests || !FPasswordCallback()) {
      RaiseEngineError(err::PasswordRequired, FTableName);
    }
  }
}

}  // namespace sklad
