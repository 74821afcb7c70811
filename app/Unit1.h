// TForm1, the main window: the catalogue browser with its list, detail pane, issue and section
// toggles, search row and the buttons that open the other windows. This unit also runs the
// start-up road: choosing the database and configuring the toggles from rocnik.ini.
#pragma once

#include "LoadingIndicator.h"
#include "ProgramWindows.h"
#include "RecordPresentation.h"
#include "WaitCursor.h"
#include "dataset/DataSource.h"
#include "dataset/SkladQuery.h"
#include "dataset/SkladSession.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QScrollArea;

namespace controls {
class TDBGrid;
class TDBMemo;
class TDBText;
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

  // The click handler of every issue and section toggle: rebuilds the catalogue query's SQL
  // text from the toggles (with the type part while the type window is in use), opens it and
  // updates the status line. While Ctrl batch mode is on it waits for the mode's end.
  void Rubriky(QObject* sender);

  // The record count and the status line telling which filters are in force.
  void UpdateStatus();
  // Fills the detail pane from the query's current record.
  void SkladQuery1AfterScroll();

  // Simple search for the word of the search field in the scopes checked.
  void Klapka7Click(QObject* sender);
  // Cancels the word filter and the type filter.
  void Klapka10Click(QObject* sender);

  // Ends Ctrl batch mode, as a Ctrl release in either toggle window or the program losing the
  // focus does, and re-queries once when it was on; the sender is the window whose re-query
  // runs (the type window's includes its type part).
  void EndBatchMode(QObject* sender);

  // Runs a change of the list. When it raises an error the list is left usable: the data
  // source enabled again, the loading indicator closed, the wait cursor restored and the word
  // filter in force before the change put back; then the error is reported. False then.
  bool ChangeList(const std::function<void()>& change);

  // The word filter from UTF-8 text, in the code page of the volume. False, with the filter
  // unchanged, when the text holds a character the code page has no byte for: no record can
  // hold such a word.
  bool SetWordFilter(const std::string& utf8Filter);
  // Filtering on with no filter text: every record passes.
  void ClearWordFilter();

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

  // The state of the loading indicator: 0 = the query was never opened, 1 = the first open is
  // under way, 2 = the first open is over.
  int Tag() const { return FTag; }
  const TLoadingIndicator& LoadingIndicator() const { return FLoadingIndicator; }
  TWaitCursor& WaitCursor() { return FWaitCursor; }

  // The engine components, declared before the controls bound to them.
  sklad::TSkladSession SkladSession1;
  sklad::TSkladQuery SkladQuery1;
  sklad::TDataSource DataSource1;

  QLabel* Label1 = nullptr;  // title: the database caption
  controls::TDBGrid* DBGrid1 = nullptr;  // the list of names
  QLabel* Label9 = nullptr;  // record name
  controls::TDBMemo* DBMemo1 = nullptr;  // description
  QLabel* Label16 = nullptr;
  controls::TDBText* DBText2 = nullptr;  // issue
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
  void keyReleaseEvent(QKeyEvent* event) override;
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
  void ConfigureEngine();
  void ConfigureIssueToggles(const std::string& num, const std::string& all);
  void Terminate();

  // Rebuilds the SQL text and opens the query; false when that failed (reported).
  bool Requery(QObject* sender);
  // The lines in the volume's code page become the query's SQL text; then the query is opened.
  void OpenCatalogue(const std::vector<std::string>& utf8Lines);
  // Checks (or unchecks) the toggles with numbers first .. last, those the rule lets change,
  // with the data source disabled meanwhile, then re-queries.
  void SetToggles(int first, int last, bool checked, bool disabledToo, QObject* sender);

  void Klapka1Click(QObject* sender);
  void Klapka2Click(QObject* sender);
  void DataSource1StateChange();
  void DataSource1DataChange();
  void SkladQuery1BeforeOpen();
  void SkladQuery1AfterOpen();
  // Closes the indicator of a first open that failed.
  void LoadingFailed();
  TDetailPane DetailPane() const;

  const TProgramWindows& FWindows;
  const QStringList FArguments;
  bool FTerminated = false;
  QScrollArea* FScrollArea = nullptr;
  QWidget* FClient = nullptr;
  std::array<controls::TPrepinac*, 29> FCheckBoxes{};
  std::array<controls::TKlapka*, 14> FKlapky{};
  std::array<QLabel*, 13> FSectionNames{};
  int FTag = 0;
  TLoadingIndicator FLoadingIndicator;
  TWaitCursor FWaitCursor;
};

}  // namespace rejstrik
