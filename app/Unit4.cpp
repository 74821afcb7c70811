#include "Unit4.h"

#include "SkinnedWindow.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"

#include <QKeyEvent>
#include <QLabel>

namespace rejstrik {
namespace {

struct TToggleColumn {
  int First;  // number of the column's first toggle
  int Left;
  int Top;
  std::array<const char*, 7> Captions;
};

const std::array<TToggleColumn, 4> ToggleColumns = {{
    {1, 11, 38, {"demo", "shareware", "freeware", "trial", "plná verze"}},
    {6, 129, 38,
     {"DOS", "Windows 3.x", "Windows 9x/ME", "Windows NT", "Windows 2000", "Windows XP", "Linux"}},
    {13, 11, 183,
     {"návod/recenze s programem", "srovnávací testy", "článek/dokument/informace ",
      "prezentace", "ukázka webu"}},
    {18, 241, 183, {"knihy", "stříbrné disky", "ovladače", "rubrika", "ostatní "}},
}};

}  // namespace

TForm4::TForm4() : QWidget(nullptr) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 360, 295, "pozadi_typ", "filtrovat podle typu");
  const QFont font = ProgramFont(11);
  for (const TToggleColumn& column : ToggleColumns)
    for (int row = 0; row < 7 && column.Captions[row] != nullptr; ++row) {
      const int top = column.Top + row * 16;
      controls::TPrepinac* toggle = controls::SkinToggle(this, column.Left, top);
      toggle->Setchecked(true);
      FCheckBoxes[column.First + row] = toggle;
      MakeLabel(this, column.Left + 18, top - 1, column.Captions[row], colours::TextGrey, font);
    }
  RadioButton1 = controls::SkinToggle(this, 261, 41, controls::TToggleLook::Option);
  MakeLabel(this, 279, 40, "a zároveň", colours::TextGrey, font);
  RadioButton2 = controls::SkinToggle(this, 261, 60, controls::TToggleLook::Option);
  RadioButton2->Setchecked(true);
  MakeLabel(this, 279, 59, "a nebo", colours::TextGrey, font);

  Klapka2 = controls::SkinButton(this, "odznacit", 261, 93);
  Klapka1 = controls::SkinButton(this, "oznacit", 261, 117);
  Klapka4 = MinimizeButton(this, 316, 2);
  Klapka3 = CloseButton(this, 336, 2);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 21);
}

void TForm4::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace rejstrik
