#include "Unit4.h"

#include "BatchToggleMode.h"
#include "CatalogueQuery.h"
#include "GlobalState.h"
#include "SkinnedWindow.h"
#include "Unit1.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"

#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>

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

TForm4::TForm4(const TProgramWindows& windows) : QWidget(nullptr), FWindows(windows) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 360, 295, "pozadi_typ", "filtrovat podle typu");
  const QFont font = ProgramFont(11);
  const auto rubriky = [this](QObject* sender) { Rubriky(sender); };
  for (const TToggleColumn& column : ToggleColumns)
    for (int row = 0; row < 7 && column.Captions[row] != nullptr; ++row) {
      const int top = column.Top + row * 16;
      controls::TPrepinac* toggle = controls::SkinToggle(this, column.Left, top);
      toggle->Setchecked(true);
      toggle->SetOnClick(rubriky);
      FCheckBoxes[column.First + row] = toggle;
      MakeLabel(this, column.Left + 18, top - 1, column.Captions[row], colours::TextGrey, font);
    }
  RadioButton1 = controls::SkinToggle(this, 261, 41, controls::TToggleLook::Option);
  MakeLabel(this, 279, 40, "a zároveň", colours::TextGrey, font);
  RadioButton2 = controls::SkinToggle(this, 261, 60, controls::TToggleLook::Option);
  RadioButton2->Setchecked(true);
  MakeLabel(this, 279, 59, "a nebo", colours::TextGrey, font);

  RadioButton1->SetOnClick([this](QObject*) { OptionClick(RadioButton1, RadioButton2, "AND"); });
  RadioButton2->SetOnClick([this](QObject*) { OptionClick(RadioButton2, RadioButton1, "OR"); });

  Klapka2 = controls::SkinButton(this, "odznacit", 261, 93);
  Klapka1 = controls::SkinButton(this, "oznacit", 261, 117);
  Klapka1->SetOnClick([this](QObject* sender) { SetAllToggles(true, sender); });
  Klapka2->SetOnClick([this](QObject* sender) { SetAllToggles(false, sender); });
  Klapka4 = MinimizeButton(this, 316, 2);
  Klapka3 = CloseButton(this, 336, 2);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 21);
}

// The main window's rebuild comes back for the type part through AppendTypePart.
void TForm4::Rubriky(QObject*) { FWindows.Form1->Rubriky(this); }

void TForm4::AppendTypePart(std::vector<std::string>& lines) const {
  std::array<bool, TypeToggleCount> checked{};
  for (int number = 1; number <= TypeToggleCount; ++number)
    checked[number - 1] = CheckBox(number)->checked();
  rejstrik::AppendTypePart(lines, GlobalState().TableName, checked,
                           FHint == "AND" ? TTypeOperator::And : TTypeOperator::Or);
}

void TForm4::SetAllToggles(bool checked, QObject* sender) {
  sklad::TDataSource& source = FWindows.Form1->DataSource1;
  source.SetEnabled(false);
  for (int number = 1; number <= TypeToggleCount; ++number) {
    controls::TPrepinac& toggle = *CheckBox(number);
    if (toggle.checked() != checked && (checked || toggle.isEnabled())) toggle.Setchecked(checked);
  }
  source.SetEnabled(true);
  Rubriky(sender);
}

void TForm4::OptionClick(controls::TPrepinac* option, controls::TPrepinac* other,
                         const QString& op) {
  if (option->checked()) {
    FHint = op;
    other->Setchecked(false);
  }
  Rubriky(option);
}

// Showing again after the program was minimised is not a new showing of the window.
void TForm4::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FWindows.Form1->Rubriky(this);
}

void TForm4::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (StartsBatchToggleMode(*event)) return;
  QWidget::keyPressEvent(event);
}

void TForm4::keyReleaseEvent(QKeyEvent* event) {
  if (IsCtrlRelease(*event)) {
    FWindows.Form1->EndBatchMode(this);
    return;
  }
  QWidget::keyReleaseEvent(event);
}

}  // namespace rejstrik
