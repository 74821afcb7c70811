// TMyHintWindow, the look of every hint of the program: dark grey text on a light grey panel
// with a thin frame, shown near the mouse in place of the desktop's tooltips.
#pragma once

#include <QLabel>

namespace controls {

class TMyHintWindow : public QLabel {
 public:
  TMyHintWindow();

  // The panel colour, red 220, green 220, blue 221.
  static QColor Colour();

  // Makes this the hint window of the application: hint requests of every widget are shown in
  // one shared hint window, which lives as long as the owner.
  static void Install(QObject* owner);

  // Shows the text below and to the right of the global point; empty text hides the window.
  void ShowHint(const QString& text, QPoint globalPoint);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace controls
