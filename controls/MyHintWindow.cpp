#include "MyHintWindow.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QWidget>

namespace controls {
namespace {

// Turns the widgets' hint requests into showings of the one hint window.
class THintDispatcher : public QObject {
 public:
  explicit THintDispatcher(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ToolTip: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr) return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        FHint.ShowHint(widget->toolTip(), help->globalPos());
        return true;
      }
      case QEvent::Leave:
      case QEvent::MouseButtonPress:
      case QEvent::Wheel:
      case QEvent::KeyPress:
        FHint.hide();
        return false;
      default:
        return false;
    }
  }

 private:
  TMyHintWindow FHint;
};

}  // namespace

TMyHintWindow::TMyHintWindow() : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
  setMargin(4);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, QColor(0x4e, 0x4e, 0x4e));
  setPalette(colours);
  QFont hintFont("DejaVu Sans");
  hintFont.setPixelSize(11);
  setFont(hintFont);
}

QColor TMyHintWindow::Colour() { return QColor(220, 220, 221); }

void TMyHintWindow::Install(QObject* owner) {
  QApplication::instance()->installEventFilter(new THintDispatcher(owner));
}

void TMyHintWindow::ShowHint(const QString& text, QPoint globalPoint) {
  if (text.isEmpty()) {
    hide();
    return;
  }
  setText(text);
  adjustSize();
  move(globalPoint + QPoint(2, 20));
  show();
}

void TMyHintWindow::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.fillRect(rect(), Colour());
    painter.setPen(QColor(0x8c, 0x8c, 0x90));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  QLabel::paintEvent(event);
}

}  // namespace controls
