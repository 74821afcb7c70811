#include "Unit3.h"

#include "LinkLabel.h"
#include "SkinnedWindow.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"
#include "platform/ui/HandCursor.h"
#include "platform/ui/ShellOpen.h"

#include <QKeyEvent>

namespace rejstrik {

TForm3::TForm3() : QWidget(nullptr) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 222, 218, "pozadi_informace", "Kvel CD");

  MakeLabel(this, 16, 40, "Kvel CD", colours::Teal, ProgramFont(14, true));
  MakeLabel(this, 16, 58, "elektronická příloha časopisu Kvel", colours::Teal,
            ProgramFont(10, true));
  const QFont plain = ProgramFont(10);
  MakeLabel(this, 16, 78, "Vydavatelství Kvel, s. r. o.", colours::SectionGrey, plain);
  MakeLabel(this, 16, 94, "Na Výsluní 12", colours::SectionGrey, plain);
  MakeLabel(this, 16, 108, "P. O. Box 27", colours::SectionGrey, plain);
  MakeLabel(this, 16, 122, "120 00  Praha 2", colours::SectionGrey, plain);
  MakeLabel(this, 16, 142, "tel.: 222 000 111", colours::SectionGrey, plain);
  MakeLabel(this, 16, 156, "fax: 222 000 112", colours::SectionGrey, plain);
  MakeLabel(this, 16, 176, "e-mail:", colours::DetailRed, plain);
  MakeLabel(this, 16, 190, "www:", colours::DetailRed, plain);

  Label4 = new TLinkLabel(this);
  Label4->setFont(plain);
  Label4->setText("redakce@kvel.cz");
  Label4->SetLinkLook();
  Label4->move(62, 176);
  Label4->adjustSize();
  Label4->SetOnClick([this](QObject*) { platform::ui::ShellOpen("mailto:" + Label4->text()); });
  Label5 = new TLinkLabel(this);
  Label5->setFont(plain);
  Label5->setText("www.kvel.cz");
  Label5->SetLinkLook();
  Label5->move(62, 190);
  Label5->adjustSize();
  Label5->SetOnClick([this](QObject*) { platform::ui::ShellOpen(Label5->text()); });

  Image1 = new TLinkLabel(this);
  Image1->setPixmap(controls::SkinPicture("logo"));
  Image1->setGeometry(124, 100, 75, 42);
  Image1->setCursor(platform::ui::HandCursor());
  Image1->SetOnClick([this](QObject*) { close(); });

  Klapka1 = MinimizeButton(this, 176, 4);
  Klapka2 = CloseButton(this, 196, 4);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 25);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace rejstrik
