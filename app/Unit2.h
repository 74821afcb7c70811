// TForm2, the help window: the volume's help text in a scrolling memo.
#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace controls {
class TKlapka;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TForm2 : public QWidget {
 public:
  TForm2();

  // Loads help.txt of the volume when the memo holds fewer than five lines, so a real help
  // text is read once per run. A missing file raises an error and leaves the memo as it was.
  void LoadHelpIfShort();

  QPlainTextEdit* Memo1 = nullptr;
  controls::TKlapka* Klapka1 = nullptr;  // minimise
  controls::TKlapka* Klapka2 = nullptr;  // close
  controls::TPresunovac* Presunovac1 = nullptr;
};

}  // namespace rejstrik
