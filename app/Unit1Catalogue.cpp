// TForm1's side of the catalogue list: the SQL text rebuilt from the toggles, the buttons that
// change many toggles at once, cancelling filters, Ctrl batch mode, the status line, and the
// handlers of the query's and the data source's events.
#include "Unit1.h"

#include "BatchToggleMode.h"
#include "CatalogueQuery.h"
#include "GlobalState.h"
#include "LinkLabel.h"
#include "Unit4.h"
#include "VolumeFiles.h"
#include "controls/DBGrid.h"
#include "controls/DBMemo.h"
#include "controls/Prepinac.h"
#include "platform/locale/CodePage.h"
#include "platform/ui/MessageBox.h"

#include <QLabel>
#include <QLineEdit>

#include <exception>

namespace rejstrik {
namespace {

constexpr int FirstIssueToggle = 17;
constexpr int LastIssueToggle = 28;
// The section toggles the SQL text consults: sections 1 .. 12, then the first one of section 99.
constexpr int FirstSectionToggle = 3;
constexpr int LastConsultedSectionToggle = 15;

// The word filter as it stood, to be put back when a change of the list fails.
struct TWordFilter {
  std::string Text;
  sklad::TFilterOptions Options;
  bool Filtered = false;

  static TWordFilter Of(const sklad::TSkladQuery& query) {
    return {query.Filter(), query.FilterOptions(), query.Filtered()};
  }
  bool operator==(const TWordFilter&) const = default;

  void RestoreOn(sklad::TSkladQuery& query) const {
    if (Of(query) == *this) return;
    query.SetFiltered(false);
    query.SetFilterOptions(Options);
    query.SetFilter(Text);
    query.SetFiltered(Filtered);
  }
};

}  // namespace

void TForm1::Rubriky(QObject* sender) {
  if (RequeryDeferred()) return;
  Requery(sender);
}

bool TForm1::Requery(QObject* sender) {
  return ChangeList([this, sender] {
    std::vector<TIssueChoice> issues;
    for (int number = FirstIssueToggle; number <= LastIssueToggle; ++number) {
      const controls::TPrepinac& toggle = *CheckBox(number);
      issues.push_back({toggle.Hint().toStdString(), toggle.checked(), toggle.isEnabled()});
    }
    std::vector<TSectionChoice> sections;
    for (int number = FirstSectionToggle; number <= LastConsultedSectionToggle; ++number) {
      const controls::TPrepinac& toggle = *CheckBox(number);
      sections.push_back({toggle.Tag(), toggle.checked(), toggle.isEnabled()});
    }
    TCatalogueSql sql = CatalogueSql(GlobalState().TableName, issues, sections);
    GlobalState().IssuesAllChosen = sql.IssuesAllChosen;
    GlobalState().SectionsAllChosen = sql.SectionsAllChosen;

    TForm4& typeWindow = *FWindows.Form4;
    const bool withTypePart =
        sender == &typeWindow || typeWindow.isVisible() || GlobalState().TypeFilterOn;
    if (withTypePart) typeWindow.AppendTypePart(sql.Lines);
    OpenCatalogue(sql.Lines);
    if (withTypePart) {
      GlobalState().TypeFilterOn = true;
      SkladQuery1AfterScroll();
    }
    UpdateStatus();
  });
}

// Setting the same text again leaves the open query as it is, so a rebuild that changes nothing
// does not read the table again.
void TForm1::OpenCatalogue(const std::vector<std::string>& utf8Lines) {
  std::vector<std::string> lines;
  lines.reserve(utf8Lines.size());
  for (const std::string& line : utf8Lines)
    lines.push_back(platform::Utf8ToCodePage(line, VolumeCodePage));
  SkladQuery1.SetSQL(lines);
  SkladQuery1.Open();
}

bool TForm1::ChangeList(const std::function<void()>& change) {
  const TWordFilter before = TWordFilter::Of(SkladQuery1);
  try {
    change();
    return true;
  } catch (const std::exception& error) {
    DataSource1.SetEnabled(true);
    LoadingFailed();
    try {
      before.RestoreOn(SkladQuery1);
    } catch (const std::exception&) {
      // The filter was in force before the change; should it fail now, the first error is the
      // one worth reporting.
    }
    FWaitCursor.Restore();
    platform::ui::ReportException(error);
    return false;
  }
}

void TForm1::UpdateStatus() {
  Label5->setText(QString::number(SkladQuery1.Active() ? SkladQuery1.RecordCount() : 0));
  const TGlobalState& state = GlobalState();
  QString status;
  if (!state.IssuesAllChosen) status += QString::fromUtf8("- výběr čísel Kvel CD ");
  if (!state.SectionsAllChosen) status += QString::fromUtf8("- výběr rubrik ");
  if (state.SearchFilterOn) status += QString::fromUtf8("- filtr vyhledávání ");
  if (state.TypeFilterOn) status += QString::fromUtf8("- filtr typu ");
  if (status.isEmpty()) {
    Label5b->clear();
    Label5b->setToolTip({});
  } else {
    Label5b->setText(" * filtr zapnut");
    Label5b->setToolTip("Byl proveden: " + status);
  }
}

void TForm1::SetToggles(int first, int last, bool checked, bool disabledToo, QObject* sender) {
  DataSource1.SetEnabled(false);
  for (int number = first; number <= last; ++number) {
    controls::TPrepinac& toggle = *CheckBox(number);
    if (toggle.checked() != checked && (disabledToo || toggle.isEnabled())) toggle.Setchecked(checked);
  }
  DataSource1.SetEnabled(true);
  Rubriky(sender);
}

void TForm1::Klapka10Click(QObject*) {
  ChangeList([this] {
    DataSource1.SetEnabled(false);
    ClearWordFilter();
    GlobalState().SearchFilterOn = false;
    GlobalState().TypeFilterOn = false;
    Rubriky(this);
    DataSource1.SetEnabled(true);
    Edit1->clear();
    SkladQuery1AfterScroll();
  });
}

void TForm1::EndBatchMode(QObject* sender) {
  if (EndBatchToggleMode()) Requery(sender);
}

void TForm1::SkladQuery1AfterScroll() {
  PresentRecord(SkladQuery1, DetailPane(), GlobalState().LabelSet);
}

TDetailPane TForm1::DetailPane() const {
  return {Label9, Label3, Label13, Label6, Label21, Label20, DBMemo1};
}

void TForm1::DataSource1StateChange() {
  if (DataSource1.State() == sklad::TDataSetState::Inactive)
    FWaitCursor.Show();
  else
    FWaitCursor.Restore();
}

void TForm1::DataSource1DataChange() {
  if (SkladQuery1.IsEmpty()) ClearDetails(DetailPane());
}

void TForm1::SkladQuery1BeforeOpen() {
  if (FTag != 0) return;
  FWaitCursor.Show();
  FLoadingIndicator.Show();
  FTag = 1;
}

void TForm1::SkladQuery1AfterOpen() {
  if (FTag != 1) return;
  FTag = 2;
  FLoadingIndicator.Close();
}

// The indicator belongs to the first open alone: when that fails it goes as well.
void TForm1::LoadingFailed() { SkladQuery1AfterOpen(); }

}  // namespace rejstrik
