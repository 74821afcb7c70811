// TPrepinac, the check box of every window: a picture that flips between its checked and
// unchecked look on a press and raises its click event on the release.
#pragma once

#include "ImageControl.h"

namespace controls {

class TPrepinac : public TImageControl {
 public:
  explicit TPrepinac(QWidget* parent);

  // Setting a picture only stores it; the look changes with the next state change.
  void Setobrazek_dolu(const QPixmap& picture) { Fobrazek_dolu = picture; }
  void Setobrazek_nahoru(const QPixmap& picture) { Fobrazek_nahoru = picture; }
  void Setobrazek_blok(const QPixmap& picture) { Fobrazek_blok = picture; }

  // Blocked: a press no longer flips the state, but an enabled toggle still clicks.
  bool blokovano() const { return Fblokovano; }
  void Setblokovano(bool blocked);

  // Setting the state from code shows its picture and never raises the click event.
  bool checked() const { return Fchecked; }
  void Setchecked(bool checked);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QPixmap Fobrazek_dolu;
  QPixmap Fobrazek_nahoru;
  QPixmap Fobrazek_blok;
  bool Fblokovano = false;
  bool Fchecked = false;
};

}  // namespace controls
