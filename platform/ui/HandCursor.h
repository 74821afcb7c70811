// The hand pointer every clickable picture and link of the program shows.
#pragma once

#include <QCursor>

namespace platform::ui {

QCursor HandCursor();

}  // namespace platform::ui
