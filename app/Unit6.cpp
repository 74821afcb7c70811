#include "Unit6.h"

#include "SkinnedWindow.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace rejstrik {
namespace {

QLineEdit* WordField(QWidget* parent, int top, bool enabled) {
  auto* field = new QLineEdit(parent);
  field->setGeometry(24, top, 153, 14);
  field->setFrame(false);
  field->setFont(ProgramFont(11));
  field->setEnabled(enabled);
  return field;
}

controls::TPrepinac* Option(QWidget* parent, int top, bool checked) {
  controls::TPrepinac* option =
      controls::SkinToggle(parent, 18, top, controls::TToggleLook::Option);
  option->Setchecked(checked);
  return option;
}

controls::TKlapka* BlockedButton(QWidget* parent, const QString& name, int top) {
  controls::TKlapka* button = controls::SkinButton(parent, name, 18, top);
  button->setEnabled(false);
  button->Setblokovano(true);
  return button;
}

}  // namespace

TForm6::TForm6() : QWidget(nullptr) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 200, 360, "pozadi_hledani", "Hledej s podmínkami");
  Edit1 = WordField(this, 53, true);
  RadioButton1 = Option(this, 76, true);
  RadioButton2 = Option(this, 98, false);
  Edit2 = WordField(this, 154, false);
  RadioButton3 = Option(this, 180, true);
  RadioButton4 = Option(this, 202, false);
  Edit3 = WordField(this, 255, false);
  Button2 = BlockedButton(this, "vyhledat", 300);
  Button1 = BlockedButton(this, "vymazat", 325);
  CheckBox1 = controls::SkinToggle(this, 115, 302);
  CheckBox1->Setchecked(true);
  CheckBox2 = controls::SkinToggle(this, 115, 327);
  CheckBox2->Setchecked(true);
  Klapka1 = MinimizeButton(this, 154, 4);
  Klapka2 = CloseButton(this, 174, 4);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 29);
}

void TForm6::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace rejstrik
