// TPresunovac makes a strip of a borderless window act as its title bar: a press there drags
// the window, a double click there acts as on a title bar.
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;
class QMouseEvent;

namespace controls {

class TPresunovac : public QObject {
 public:
  // Watches the owner's mouse input for as long as the component lives; the owner is a window
  // or the client area of one, and a drag moves that window.
  explicit TPresunovac(QWidget* owner);

  // The strip: from _left to the owner's width - _right, from _top to _bottom, in pixels of the
  // owner's client area, edges included.
  void SetStrip(int left, int right, int top, int bottom);
  bool StripContains(QPoint clientPoint) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool StartMove(const QMouseEvent& press);
  void ToggleMaximized();

  QWidget* FOwner;
  int F_left = 0;
  int F_right = 0;
  int F_top = 0;
  int F_bottom = 0;
  // A drag moved by hand where the window system cannot move the window itself.
  bool FManualMove = false;
  QPoint FGrabOffset;
};

}  // namespace controls
