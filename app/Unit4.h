// TForm4, the type and system filter window: one toggle per record type, system and type
// letter, and the choice whether a record must match any or all of the chosen ones.
#pragma once

#include <QWidget>

#include <array>

class QLabel;

namespace controls {
class TKlapka;
class TPrepinac;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TForm4 : public QWidget {
 public:
  TForm4();

  // Toggles by number, CheckBox(1) .. CheckBox(22).
  controls::TPrepinac* CheckBox(int number) const { return FCheckBoxes.at(number); }

  // The operator joining the chosen toggles: "OR" at start.
  const QString& Hint() const { return FHint; }

  controls::TPrepinac* RadioButton1 = nullptr;  // all of the chosen (AND)
  controls::TPrepinac* RadioButton2 = nullptr;  // any of the chosen (OR)
  controls::TKlapka* Klapka1 = nullptr;  // check all
  controls::TKlapka* Klapka2 = nullptr;  // uncheck all
  controls::TKlapka* Klapka3 = nullptr;  // close
  controls::TKlapka* Klapka4 = nullptr;  // minimise
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::array<controls::TPrepinac*, 23> FCheckBoxes{};
  QString FHint = "OR";
};

}  // namespace rejstrik
