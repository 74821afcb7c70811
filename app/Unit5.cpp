#include "Unit5.h"

#include "GlobalState.h"
#include "IniValues.h"
#include "SkinnedWindow.h"
#include "Unit1.h"
#include "VolumeFiles.h"
#include "controls/Klapka.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"
#include "platform/ProfileFile.h"

#include <QKeyEvent>
#include <QListWidget>

namespace rejstrik {

TForm5::TForm5(const TProgramWindows& windows) : QDialog(nullptr), FWindows(windows) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 220, 216, "pozadi_vyber", "Dostupné databáze");
  setModal(true);

  ListBox1 = new QListWidget(this);
  ListBox1->setGeometry(18, 46, 182, 123);
  ListBox1->setFrameShape(QFrame::NoFrame);
  ListBox1->setFont(ProgramFont(11, true));
  ListBox1->setUniformItemSizes(true);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListBox1->setTextElideMode(Qt::ElideRight);
  ListBox1->setStyleSheet(
      "QListWidget { background: transparent; color: #4e4e4e; outline: 0; }"
      "QListWidget::item { height: 13px; padding-left: 2px; }"
      "QListWidget::item:selected { background: #0f7173; color: white; }");
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { Button1Click(); });

  Button1 = controls::SkinButton(this, "ok", 80, 184);
  Button1->SetOnClick([this](QObject*) { Button1Click(); });
  Klapka2 = CloseButton(this, 194, 4);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 25);
}

void TForm5::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

// The rows are the sections "1" .. "n" for a file of n sections, whatever the sections are
// called: a section missing from that range still gives a row, with the default title.
void TForm5::FormShow() {
  if (ListBox1->count() > 0) return;
  const platform::TProfileFile ini(IniFileName(), VolumeCodePage);
  const size_t count = ini.SectionNames().size();
  for (size_t number = 1; number <= count; ++number)
    ListBox1->addItem(DatabaseCaption(ini, std::to_string(number)));
  if (count > 0) ListBox1->setCurrentRow(0);
}

void TForm5::Button1Click() {
  if (ListBox1->currentRow() < 0 && ListBox1->count() > 0) ListBox1->setCurrentRow(0);
  FitToSmallScreen(FWindows.Form1);
  FTag = ListBox1->currentRow() + 1;
  close();
}

void TForm5::done(int result) {
  if (FTag == 0) GlobalState().SelectionCancelled = true;
  QDialog::done(result);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Button1Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace rejstrik
