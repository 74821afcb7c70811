// TForm1, the main window: the catalogue browser with its list, detail pane, issue and section
// toggles, search row and the buttons that open the other windows. This unit also runs the
// start-up road: choosing the database and configuring the toggles from rocnik.ini.
#pragma once

#include "ProgramWindows.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QScrollArea;

namespace controls {
class TKlapka;
class TPrepinac;
class TPresunovac;
}  // namespace controls

namespace rejstrik {

class TLinkLabel;

class TForm1 : public QWidget {
 public:
  // Creates the window with its controls and runs FormCreate; the arguments are the command
  // line after the program name.
  TForm1(const TProgramWindows& windows, const QStringList& arguments);
  ~TForm1() override;

  // Chooses the database (command line or selection window), then configures the toggles,
  // the section names and the caption from rocnik.ini. Errors are raised to the caller.
  void FormShow(QObject* sender);

  // Applies section label set "1" or "2" to the section toggles and names; other values
  // change nothing.
  void ApplyLabelSet(const std::string& labelSet);

  // The click handler of every issue and section toggle, detached and attached around every
  // change made from code. Rebuilding the catalogue query from the toggles comes with the
  // query itself; until then a click changes only the toggle.
  void Rubriky(QObject* sender);

  // Runs FormShow as the first showing of the window does, reporting its errors, and shows the
  // window unless the program ended on the way.
  void ShowAtStart();
  bool Terminated() const { return FTerminated; }

  // Controls by their number: CheckBox(3) .. CheckBox(28), Klapka(1) .. Klapka(13),
  // rub(1) .. rub(12).
  controls::TPrepinac* CheckBox(int number) const { return FCheckBoxes.at(number); }
  controls::TKlapka* Klapka(int number) const { return FKlapky.at(number); }
  QLabel* rub(int number) const { return FSectionNames.at(number); }

  // The client area holding the controls (inside a scroll area for small screens).
  QWidget* Client() const { return FClient; }

  QLabel* Label1 = nullptr;  // title: the database caption
  QListWidget* DBGrid1 = nullptr;
  QLabel* Label9 = nullptr;  // record name
  QPlainTextEdit* DBMemo1 = nullptr;
  QLabel* Label16 = nullptr;
  QLabel* DBText2 = nullptr;
  TLinkLabel* Label8 = nullptr;  // hidden hot spot: mail to the author
  QLabel* Label6 = nullptr;
  QLabel* Label21 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label13 = nullptr;
  TLinkLabel* Label20 = nullptr;  // web link of the record
  QLabel* Label5 = nullptr;
  QLabel* Label5b = nullptr;
  QLineEdit* Edit1 = nullptr;
  controls::TPresunovac* Presunovac1 = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Keeps the scroll area over the whole window, also when a small screen maximises it.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void CreateTitleBar();
  void CreateDetailPane();
  void CreateSectionToggles();
  void CreateSearchRow();
  void CreateIssueToggles();

  void FormCreate();
  void ConfigureIssueToggles(const std::string& num, const std::string& all);
  void Terminate();

  void Klapka1Click(QObject* sender);
  void Klapka2Click(QObject* sender);

  const TProgramWindows& FWindows;
  const QStringList FArguments;
  bool FTerminated = false;
  QScrollArea* FScrollArea = nullptr;
  QWidget* FClient = nullptr;
  std::array<controls::TPrepinac*, 29> FCheckBoxes{};
  std::array<controls::TKlapka*, 14> FKlapky{};
  std::array<QLabel*, 13> FSectionNames{};
};

}  // namespace rejstrik
