#include "Klapka.h"

#include "platform/ui/HandCursor.h"

#include <QMouseEvent>

namespace controls {

TKlapka::TKlapka(QWidget* parent) : TImageControl(parent) {
  setCursor(platform::ui::HandCursor());
  SetShowHint(true);
}

void TKlapka::Setblokovano(bool blocked) {
  Fblokovano = blocked;
  Draw(blocked ? Fobrazek_blok : Fobrazek_nahoru);
}

void TKlapka::Draw(const QPixmap& picture) {
  if (!picture.isNull()) SetPicture(picture);
}

void TKlapka::DrawUnlessBlocked(const QPixmap& picture) {
  if (!Fblokovano) Draw(picture);
}

void TKlapka::enterEvent(QEnterEvent* event) {
  DrawUnlessBlocked(Fobrazek_pres);
  TImageControl::enterEvent(event);
}

void TKlapka::leaveEvent(QEvent* event) {
  DrawUnlessBlocked(Fobrazek_nahoru);
  TImageControl::leaveEvent(event);
}

void TKlapka::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) DrawUnlessBlocked(Fobrazek_dolu);
  TImageControl::mousePressEvent(event);
}

void TKlapka::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) DrawUnlessBlocked(Fobrazek_nahoru);
  TImageControl::mouseReleaseEvent(event);
}

}  // namespace controls
