#include "Skin.h"

#include "Klapka.h"
#include "Prepinac.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace controls {

QPixmap SkinPicture(const QString& name) {
  const QString path = QStringLiteral(":/skin/%1.svg").arg(name);
  if (!QFile::exists(path)) return {};
  QSvgRenderer renderer(path);
  QPixmap picture(renderer.defaultSize());
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  renderer.render(&painter);
  return picture;
}

TKlapka* SkinButton(QWidget* parent, const QString& name, int left, int top, const QString& hint) {
  auto* button = new TKlapka(parent);
  button->SetPicture(SkinPicture(name + "_nahoru"));
  button->Setobrazek_dolu(SkinPicture(name + "_dolu"));
  button->Setobrazek_nahoru(SkinPicture(name + "_nahoru"));
  button->Setobrazek_pres(SkinPicture(name + "_pres"));
  button->Setobrazek_blok(SkinPicture(name + "_blok"));
  button->move(left, top);
  button->SetHint(hint);
  return button;
}

TPrepinac* SkinToggle(QWidget* parent, int left, int top, TToggleLook look) {
  const QString name = look == TToggleLook::Option ? "volba" : "prepinac";
  auto* toggle = new TPrepinac(parent);
  toggle->Setobrazek_dolu(SkinPicture(name + "_dolu"));
  toggle->Setobrazek_nahoru(SkinPicture(name + "_nahoru"));
  toggle->Setobrazek_blok(SkinPicture(name + "_blok"));
  toggle->Setchecked(false);
  toggle->move(left, top);
  return toggle;
}

}  // namespace controls
