#include "Presunovac.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace controls {

TPresunovac::TPresunovac(QWidget* owner) : QObject(owner), FOwner(owner) {
  owner->installEventFilter(this);
}

void TPresunovac::SetStrip(int left, int right, int top, int bottom) {
  F_left = left;
  F_right = right;
  F_top = top;
  F_bottom = bottom;
}

bool TPresunovac::StripContains(QPoint clientPoint) const {
  return F_left <= clientPoint.x() && clientPoint.x() <= FOwner->width() - F_right &&
         F_top <= clientPoint.y() && clientPoint.y() <= F_bottom;
}

// Presses reach the owner here also when they began on a picture lying on the window, since
// pictures pass mouse input on to their window.
bool TPresunovac::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FOwner) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto& press = static_cast<const QMouseEvent&>(*event);
      if (press.button() != Qt::LeftButton || !StripContains(press.position().toPoint()))
        return false;
      return StartMove(press);
    }
    case QEvent::MouseButtonDblClick: {
      const auto& click = static_cast<const QMouseEvent&>(*event);
      if (click.button() != Qt::LeftButton || !StripContains(click.position().toPoint()))
        return false;
      ToggleMaximized();
      return true;
    }
    case QEvent::MouseMove:
      if (!FManualMove) return false;
      FOwner->window()->move(static_cast<const QMouseEvent*>(event)->globalPosition().toPoint() -
                             FGrabOffset);
      return true;
    case QEvent::MouseButtonRelease:
      if (!FManualMove) return false;
      FManualMove = false;
      return true;
    default:
      return false;
  }
}

bool TPresunovac::StartMove(const QMouseEvent& press) {
  QWindow* window = FOwner->window()->windowHandle();
  if (window != nullptr && window->startSystemMove()) return true;
  FManualMove = true;
  FGrabOffset = press.globalPosition().toPoint() - FOwner->window()->pos();
  return true;
}

// As on a title bar, a double click maximises or restores a window that can change its size;
// a window of fixed size stays as it is.
void TPresunovac::ToggleMaximized() {
  QWidget* window = FOwner->window();
  if (window->minimumSize() == window->maximumSize()) return;
  if (window->isMaximized())
    window->showNormal();
  else
    window->showMaximized();
}

}  // namespace controls
