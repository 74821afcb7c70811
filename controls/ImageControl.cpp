#include "ImageControl.h"

#include "platform/ui/MessageBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <exception>

namespace controls {

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_Hover);
}

void TImageControl::SetPicture(const QPixmap& picture) {
  FPicture = picture;
  if (!FPicture.isNull()) resize(FPicture.deviceIndependentSize().toSize());
  update();
}

void TImageControl::SetHint(const QString& hint) {
  FHint = hint;
  UpdateToolTip();
}

void TImageControl::SetShowHint(bool show) {
  FShowHint = show;
  UpdateToolTip();
}

void TImageControl::UpdateToolTip() { setToolTip(FShowHint ? FHint : QString()); }

void TImageControl::Click() {
  if (!FOnClick) return;
  try {
    FOnClick(this);
  } catch (const std::exception& error) {
    platform::ui::ReportException(error);
  }
}

void TImageControl::paintEvent(QPaintEvent*) {
  if (FPicture.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, FPicture);
}

void TImageControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FPressed = true;
  event->accept();
}

// A click is a release of the left button over the control after a press on it.
void TImageControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const bool wasPressed = FPressed;
  FPressed = false;
  event->accept();
  if (wasPressed && rect().contains(event->position().toPoint())) Click();
}

}  // namespace controls
