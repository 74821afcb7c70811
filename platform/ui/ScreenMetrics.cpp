#include "ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform::ui {
namespace {

int& HeightOverride() {
  static int height = 0;
  return height;
}

}  // namespace

int ScreenHeight() {
  if (HeightOverride() > 0) return HeightOverride();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().height() : 0;
}

void SetScreenHeightOverride(int height) { HeightOverride() = height; }

}  // namespace platform::ui
