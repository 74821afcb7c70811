#include "HandCursor.h"

namespace platform::ui {

QCursor HandCursor() { return QCursor(Qt::PointingHandCursor); }

}  // namespace platform::ui
