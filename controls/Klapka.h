// TKlapka, the push button of every window: a picture whose look follows the mouse (normal,
// hovered, pressed) and that can be shown as blocked.
#pragma once

#include "ImageControl.h"

namespace controls {

class TKlapka : public TImageControl {
 public:
  explicit TKlapka(QWidget* parent);

  // Setting a picture only stores it; the look changes with the next state change.
  void Setobrazek_dolu(const QPixmap& picture) { Fobrazek_dolu = picture; }
  void Setobrazek_nahoru(const QPixmap& picture) { Fobrazek_nahoru = picture; }
  void Setobrazek_pres(const QPixmap& picture) { Fobrazek_pres = picture; }
  void Setobrazek_blok(const QPixmap& picture) { Fobrazek_blok = picture; }

  // Blocked: the mouse no longer changes the look, yet an enabled button still clicks.
  bool blokovano() const { return Fblokovano; }
  void Setblokovano(bool blocked);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Shows the picture unless it is empty, in which case the previous look stays.
  void Draw(const QPixmap& picture);
  void DrawUnlessBlocked(const QPixmap& picture);

  QPixmap Fobrazek_dolu;
  QPixmap Fobrazek_nahoru;
  QPixmap Fobrazek_pres;
  QPixmap Fobrazek_blok;
  bool Fblokovano = false;
};

}  // namespace controls
