#include "BatchToggleMode.h"

#include "GlobalState.h"

#include <QKeyEvent>

namespace rejstrik {
namespace {

// Holding a key repeats its press and release events; only the real ones count.
bool IsCtrl(const QKeyEvent& event) {
  return event.key() == Qt::Key_Control && !event.isAutoRepeat();
}

}  // namespace

bool StartsBatchToggleMode(const QKeyEvent& event) {
  if (event.type() != QEvent::KeyPress || !IsCtrl(event) || GlobalState().BatchToggleMode)
    return false;
  GlobalState().BatchToggleMode = true;
  return true;
}

bool IsCtrlRelease(const QKeyEvent& event) {
  return event.type() == QEvent::KeyRelease && IsCtrl(event);
}

bool EndBatchToggleMode() {
  const bool wasOn = GlobalState().BatchToggleMode;
  GlobalState().BatchToggleMode = false;
  return wasOn;
}

bool RequeryDeferred() { return GlobalState().BatchToggleMode; }

}  // namespace rejstrik
