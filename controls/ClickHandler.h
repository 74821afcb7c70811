// A control's click handler: detachable and re-attachable at run time, as the windows swap
// handlers in and out around changes made from code.
#pragma once

#include <functional>

class QObject;

namespace controls {

// The handler receives the control that was clicked, or another sender when called from code.
using TNotifyEvent = std::function<void(QObject* sender)>;

}  // namespace controls
