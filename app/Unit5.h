// TForm5, the database selection window: lists the volume's databases by their titles from
// rocnik.ini and hands the user's choice to the start-up road of the main window.
#pragma once

#include "ProgramWindows.h"

#include <QDialog>

class QListWidget;

namespace controls {
class TKlapka;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TForm5 : public QDialog {
 public:
  explicit TForm5(const TProgramWindows& windows);

  // The chosen database number (row + 1); 0 while nothing has been chosen in this run.
  int Tag() const { return FTag; }

  void Button1Click();

  // Closing the window by any road ends here: without a choice at the first start, the
  // program is told to end.
  void done(int result) override;

  QListWidget* ListBox1 = nullptr;
  controls::TKlapka* Button1 = nullptr;  // OK
  controls::TKlapka* Klapka2 = nullptr;  // close without choosing
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Fills the list from rocnik.ini, once per program run.
  void FormShow();

  const TProgramWindows& FWindows;
  int FTag = 0;
};

}  // namespace rejstrik
