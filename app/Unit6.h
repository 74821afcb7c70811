// TForm6, the conditional search window: up to three words, in names, descriptions or both,
// joined by OR or AND.
#pragma once

#include "ProgramWindows.h"

#include <QWidget>

class QLineEdit;

namespace controls {
class TKlapka;
class TPrepinac;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

struct TConditionalSearch;

class TForm6 : public QWidget {
 public:
  explicit TForm6(const TProgramWindows& windows);

  // Search: the words as the main window's word filter, then the window closes.
  void Button2Click(QObject* sender);
  // Reset: the words emptied, OR chosen in both pairs, both scopes checked.
  void Button1Click(QObject* sender);

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  controls::TPrepinac* RadioButton1 = nullptr;  // OR between words 1 and 2
  controls::TPrepinac* RadioButton2 = nullptr;  // AND between words 1 and 2
  controls::TPrepinac* RadioButton3 = nullptr;  // OR towards word 3
  controls::TPrepinac* RadioButton4 = nullptr;  // AND towards word 3
  controls::TPrepinac* CheckBox1 = nullptr;     // search in names
  controls::TPrepinac* CheckBox2 = nullptr;     // search in descriptions
  controls::TKlapka* Button1 = nullptr;         // reset
  controls::TKlapka* Button2 = nullptr;         // search
  controls::TKlapka* Klapka1 = nullptr;         // minimise
  controls::TKlapka* Klapka2 = nullptr;         // close
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Edit1Change();
  void Edit2Change();
  // What the search asks for, from the words, the scopes and the option pairs.
  TConditionalSearch Search() const;
  // Runs the search on the main window's list; false when the window should stay open.
  bool ApplySearch();

  const TProgramWindows& FWindows;
};

}  // namespace rejstrik
