// TForm4, the type and system filter window: one toggle per record type, system and type
// letter, and the choice whether a record must match any or all of the chosen ones.
#pragma once

#include "ProgramWindows.h"

#include <QWidget>

#include <array>
#include <string>
#include <vector>

class QLabel;

namespace controls {
class TKlapka;
class TPrepinac;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TForm4 : public QWidget {
 public:
  explicit TForm4(const TProgramWindows& windows);

  // The click handler of the 22 toggles: the main window rebuilds its SQL text with the type
  // part of this window and opens the query.
  void Rubriky(QObject* sender);
  // Appends the type part of the checked toggles, joined by the operator, to the SQL lines
  // (UTF-8) the main window built.
  void AppendTypePart(std::vector<std::string>& lines) const;

  // Toggles by number, CheckBox(1) .. CheckBox(22).
  controls::TPrepinac* CheckBox(int number) const { return FCheckBoxes.at(number); }

  // The operator joining the chosen toggles: "OR" at start, "AND" or "OR" as the option
  // toggles last chose.
  const QString& Hint() const { return FHint; }

  controls::TPrepinac* RadioButton1 = nullptr;  // all of the chosen (AND)
  controls::TPrepinac* RadioButton2 = nullptr;  // any of the chosen (OR)
  controls::TKlapka* Klapka1 = nullptr;  // check all
  controls::TKlapka* Klapka2 = nullptr;  // uncheck all
  controls::TKlapka* Klapka3 = nullptr;  // close
  controls::TKlapka* Klapka4 = nullptr;  // minimise
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  // Showing the window applies its type part at once.
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // Checks every toggle, or unchecks every enabled one, with the main window's data source
  // disabled meanwhile; then re-queries.
  void SetAllToggles(bool checked, QObject* sender);
  // An option toggle was clicked: when it is now checked its operator applies and the other
  // option goes off; clicking the checked one unchecks it and keeps the operator.
  void OptionClick(controls::TPrepinac* option, controls::TPrepinac* other, const QString& op);

  const TProgramWindows& FWindows;
  std::array<controls::TPrepinac*, 23> FCheckBoxes{};
  QString FHint = "OR";
};

}  // namespace rejstrik
