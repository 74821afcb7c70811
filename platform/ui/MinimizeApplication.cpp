#include "MinimizeApplication.h"

#include <QApplication>
#include <QWidget>

namespace platform::ui {

void MinimizeApplication() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowType() != Qt::ToolTip) window->showMinimized();
}

}  // namespace platform::ui
