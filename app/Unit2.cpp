#include "Unit2.h"

#include "SkinnedWindow.h"
#include "VolumeFiles.h"
#include "controls/Presunovac.h"
#include "platform/WholeFile.h"
#include "platform/locale/CodePage.h"

#include <QPlainTextEdit>

#include <cstring>
#include <stdexcept>

namespace rejstrik {

TForm2::TForm2() : QWidget(nullptr) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  MakeSkinnedWindow(this, this, 530, 360, "pozadi_napoveda", "Nápověda");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setGeometry(8, 32, 513, 321);
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setFont(ProgramFont(12));
  Memo1->setStyleSheet("QPlainTextEdit { background: white; color: #5a5a5a; }");
  Klapka1 = MinimizeButton(this, 484, 4);
  Klapka2 = CloseButton(this, 504, 4);
  Presunovac1 = new controls::TPresunovac(this);
  Presunovac1->SetStrip(0, 50, 0, 25);
}

void TForm2::LoadHelpIfShort() {
  if (Memo1->document()->blockCount() >= 5) return;
  const std::string fileName = HelpFileName();
  std::string bytes;
  if (const int error = platform::ReadWholeFile(fileName, bytes))
    throw std::runtime_error("Cannot open file \"" + fileName + "\". " + std::strerror(error));
  Memo1->setPlainText(
      QString::fromStdString(platform::CodePageToUtf8(bytes, VolumeCodePage)).remove('\r'));
}

}  // namespace rejstrik
