#include "Prepinac.h"

#include <QMouseEvent>

namespace controls {

TPrepinac::TPrepinac(QWidget* parent) : TImageControl(parent) {}

void TPrepinac::Setblokovano(bool blocked) {
  Fblokovano = blocked;
  if (blocked) SetPicture(Fobrazek_blok);
}

void TPrepinac::Setchecked(bool checked) {
  SetPicture(checked ? Fobrazek_dolu : Fobrazek_nahoru);
  Fchecked = checked;
}

void TPrepinac::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !Fblokovano) Setchecked(!Fchecked);
  TImageControl::mousePressEvent(event);
}

}  // namespace controls
