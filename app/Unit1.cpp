#include "Unit1.h"

#include "BatchToggleMode.h"
#include "GlobalState.h"
#include "IniValues.h"
#include "LinkLabel.h"
#include "PrivateDirectory.h"
#include "RecordCodes.h"
#include "SkinnedWindow.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "VolumeFiles.h"
#include "controls/DBGrid.h"
#include "controls/DBMemo.h"
#include "controls/DBText.h"
#include "controls/FieldText.h"
#include "controls/Klapka.h"
#include "controls/MyHintWindow.h"
#include "controls/Prepinac.h"
#include "controls/Presunovac.h"
#include "controls/Skin.h"
#include "platform/ProfileFile.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ShellOpen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QThread>

#include <exception>

namespace rejstrik {
namespace {

using controls::TKlapka;
using controls::TPrepinac;

constexpr int FirstIssueToggle = 17;  // issue n is CheckBox(16 + n)
constexpr int LastIssueToggle = 28;
constexpr int FirstSectionToggle = 3;  // section n is CheckBox(2 + n)
constexpr int LastSectionToggle = 14;
constexpr int SectionCount = 12;
constexpr const char* AuthorMail = "mailto:rejstrik@kvel.cz";

// Section names are long for their column; the condensed face fits them.
QFont SectionNameFont() {
  QFont font("DejaVu Sans Condensed");
  font.setPixelSize(10);
  return font;
}

// Left edges of the issue toggles 1 .. 12 in the issue row.
const std::array<int, 12> IssueToggleLeft = {83, 112, 143, 175, 206, 236,
                                             268, 298, 329, 361, 399, 433};

// Changes a toggle from code with its click handler detached around the change, and attaches
// the given handler afterwards.
template <typename Change>
void ChangeDetached(TPrepinac* toggle, const controls::TNotifyEvent& handler, Change change) {
  toggle->SetOnClick({});
  change(*toggle);
  toggle->SetOnClick(handler);
}

}  // namespace

TForm1::TForm1(const TProgramWindows& windows, const QStringList& arguments)
    : QWidget(nullptr), FWindows(windows), FArguments(arguments) {
  FScrollArea = new QScrollArea(this);
  FScrollArea->setFrameShape(QFrame::NoFrame);
  FClient = new QWidget;
  MakeSkinnedWindow(this, FClient, 640, 550, "pozadi_hlavni", "Databáze");
  FScrollArea->setWidget(FClient);
  FScrollArea->setGeometry(rect());
  CreateControls();
  FormCreate();
}

// The query's events reach into the window; they end before the window's parts do.
TForm1::~TForm1() {
  SkladQuery1.BeforeOpen = nullptr;
  SkladQuery1.AfterOpen = nullptr;
  SkladQuery1.AfterScroll = nullptr;
  DataSource1.OnStateChange = nullptr;
  DataSource1.OnDataChange = nullptr;
}

void TForm1::CreateControls() {
  CreateTitleBar();
  CreateDetailPane();
  CreateSectionToggles();
  CreateSearchRow();
  CreateIssueToggles();
}

void TForm1::CreateTitleBar() {
  Label1 = MakeLabel(FClient, 64, 9, "  Databáze  ", colours::Silver, ProgramFont(11, true));
  Label1->setFixedHeight(16);
  Label1->setAutoFillBackground(true);
  QPalette titlePalette = Label1->palette();
  titlePalette.setColor(QPalette::Window, colours::TitleBackground);
  Label1->setPalette(titlePalette);

  FKlapky[13] = controls::SkinButton(FClient, "informace", 8, 9, "Informace");
  FKlapky[12] = MinimizeButton(FClient, 594, 7);
  FKlapky[11] = CloseButton(FClient, 614, 7);
  FKlapky[13]->SetOnClick([this](QObject*) { FWindows.Form3->show(); });

  Presunovac1 = new controls::TPresunovac(FClient);
  Presunovac1->SetStrip(45, 100, 0, 25);
}

void TForm1::CreateDetailPane() {
  DBGrid1 = new controls::TDBGrid(FClient);
  DBGrid1->setGeometry(16, 45, 243, 208);
  DBGrid1->setFrameShape(QFrame::NoFrame);
  DBGrid1->setFont(ProgramFont(11, true));
  DBGrid1->setStyleSheet(
      "QListView { background: transparent; color: #4e4e4e; }"
      "QListView::item:selected { background: #0f7173; color: white; }");
  DBGrid1->SetFieldName("name");
  DBGrid1->SetDataSource(&DataSource1);

  Label9 = MakeLabel(FClient, 296, 44, "", colours::SectionGrey, ProgramFont(14, true));
  Label9->setFixedWidth(329);
  DBMemo1 = new controls::TDBMemo(FClient);
  DBMemo1->setGeometry(296, 68, 321, 185);
  DBMemo1->setReadOnly(true);
  DBMemo1->setFrameShape(QFrame::NoFrame);
  DBMemo1->setFocusPolicy(Qt::NoFocus);
  DBMemo1->setFont(ProgramFont(11));
  DBMemo1->setStyleSheet("QPlainTextEdit { background: transparent; color: #4e4e4e; }");
  DBMemo1->SetFieldName("popis");
  DBMemo1->SetDataSource(&DataSource1);

  Label16 = MakeLabel(FClient, 528, 280, "Kvel CD:", colours::DetailRed, ProgramFont(11, true));
  DBText2 = new controls::TDBText(FClient);
  DBText2->setFont(ProgramFont(11, true));
  QPalette issuePalette = DBText2->palette();
  issuePalette.setColor(QPalette::WindowText, colours::SectionGrey);
  DBText2->setPalette(issuePalette);
  DBText2->setGeometry(592, 282, 36, 15);
  DBText2->SetFieldName("p");
  DBText2->SetDataSource(&DataSource1);

  Label8 = new TLinkLabel(FClient);
  Label8->setGeometry(296, 288, 33, 21);
  Label8->SetOnDblClick([](QObject*) { platform::ui::ShellOpen(AuthorMail); });

  const int detailWidth = 196;
  for (auto [label, top] : {std::pair{&Label6, 309}, {&Label21, 331}, {&Label3, 353},
                            {&Label13, 374}, {&Label5, 418}}) {
    *label = MakeLabel(FClient, 432, top, "", colours::SectionGrey, ProgramFont(11));
    (*label)->setFixedWidth(detailWidth);
  }
  Label20 = new TLinkLabel(FClient);
  Label20->setFont(ProgramFont(11));
  Label20->SetLinkLook();
  Label20->setGeometry(432, 395, detailWidth, 15);
  // The link opens the record's whole web address, however shortened the label shows it.
  Label20->SetOnClick([this](QObject*) {
    if (SkladQuery1.Active())
      platform::ui::ShellOpen(controls::FieldText(SkladQuery1.FieldByName("inet")));
  });

  Label5b = MakeLabel(FClient, 516, 418, "", colours::DetailRed, ProgramFont(11, true));
  Label5b->setFixedSize(99, 15);
  Label5b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TForm1::CreateSectionToggles() {
  const auto rubriky = [this](QObject* sender) { Rubriky(sender); };
  for (int section = 1; section <= SectionCount; ++section) {
    const int column = (section - 1) / 6;
    const int top = 312 + ((section - 1) % 6) * 18;
    TPrepinac* toggle = controls::SkinToggle(FClient, column == 0 ? 14 : 145, top);
    toggle->SetTag(section);
    toggle->SetOnClick(rubriky);
    FCheckBoxes[FirstSectionToggle - 1 + section] = toggle;
    FSectionNames[section] = MakeLabel(FClient, column == 0 ? 40 : 168, top, "",
                                       colours::SectionGrey, SectionNameFont());
    FSectionNames[section]->setFixedWidth(column == 0 ? 100 : 108);
  }
  for (auto [number, top] : {std::pair{15, 310}, {16, 328}}) {
    TPrepinac* hidden = controls::SkinToggle(FClient, 253, top);
    hidden->SetTag(99);
    hidden->Setchecked(true);
    hidden->setEnabled(false);
    hidden->hide();
    hidden->SetOnClick(rubriky);
    FCheckBoxes[number] = hidden;
  }
  FKlapky[4] = controls::SkinButton(FClient, "vse", 80, 275, "Zaškrtnout všechny rubriky");
  FKlapky[5] = controls::SkinButton(FClient, "nic", 141, 275, "Zrušit všechny rubriky");
  // Only a database with a known label set has section toggles to change.
  const auto setSections = [this](bool checked, QObject* sender) {
    const std::string& set = GlobalState().LabelSet;
    if (set == "1" || set == "2")
      SetToggles(FirstSectionToggle, LastSectionToggle, checked, true, sender);
  };
  FKlapky[4]->SetOnClick([setSections](QObject* sender) { setSections(true, sender); });
  FKlapky[5]->SetOnClick([setSections](QObject* sender) { setSections(false, sender); });
}

void TForm1::CreateSearchRow() {
  Edit1 = new QLineEdit(FClient);
  Edit1->setGeometry(59, 483, 112, 16);
  Edit1->setFrame(false);
  Edit1->setFont(ProgramFont(11));
  FCheckBoxes[1] = controls::SkinToggle(FClient, 186, 484);
  FCheckBoxes[2] = controls::SkinToggle(FClient, 256, 484);
  FCheckBoxes[1]->Setchecked(true);
  FCheckBoxes[2]->Setchecked(true);
  FKlapky[7] = controls::SkinButton(FClient, "hledat", 344, 482, "Jednoduché vyhledávání");
  FKlapky[8] = controls::SkinButton(FClient, "rozsirene", 399, 482, "Rozšířené vyhledávání");
  FKlapky[9] = controls::SkinButton(FClient, "typ", 454, 482, "Vyhledávání podle typu záznamu");
  FKlapky[10] = controls::SkinButton(FClient, "zrusit", 509, 482, "Zrušit filtry vyhledávání");
  FKlapky[2] = controls::SkinButton(FClient, "napoveda", 575, 479, "Nápověda");
  FKlapky[1] = controls::SkinButton(FClient, "databaze", 599, 479, "Výběr databáze");
  QObject::connect(Edit1, &QLineEdit::returnPressed, this, [this] { Klapka7Click(Edit1); });
  FKlapky[7]->SetOnClick([this](QObject* sender) { Klapka7Click(sender); });
  FKlapky[10]->SetOnClick([this](QObject* sender) { Klapka10Click(sender); });
  FKlapky[8]->SetOnClick([this](QObject*) { FWindows.Form6->show(); });
  FKlapky[9]->SetOnClick([this](QObject*) { FWindows.Form4->show(); });
  FKlapky[2]->SetOnClick([this](QObject* sender) { Klapka2Click(sender); });
  FKlapky[1]->SetOnClick([this](QObject* sender) { Klapka1Click(sender); });
}

void TForm1::CreateIssueToggles() {
  const auto rubriky = [this](QObject* sender) { Rubriky(sender); };
  for (int issue = 1; issue <= 12; ++issue) {
    TPrepinac* toggle = controls::SkinToggle(FClient, IssueToggleLeft[issue - 1], 519);
    // The issue's prefix in the p field: "1/" .. "9/", then "10", "11", "12".
    toggle->SetHint(issue < 10 ? QString("%1/").arg(issue) : QString::number(issue));
    toggle->SetOnClick(rubriky);
    FCheckBoxes[FirstIssueToggle - 1 + issue] = toggle;
  }
  FKlapky[3] = controls::SkinButton(FClient, "vse", 523, 518, "Zaškrtnout všechna čísla");
  FKlapky[6] = controls::SkinButton(FClient, "nic", 578, 518, "Zrušit všechna čísla");
  FKlapky[3]->SetOnClick([this](QObject* sender) {
    SetToggles(FirstIssueToggle, LastIssueToggle, true, false, sender);
  });
  FKlapky[6]->SetOnClick([this](QObject* sender) {
    SetToggles(FirstIssueToggle, LastIssueToggle, false, false, sender);
  });
}

void TForm1::FormCreate() {
  FitToSmallScreen(this);
  GlobalState().SearchFilterOn = false;
  GlobalState().TypeFilterOn = false;
  ConfigureEngine();
  controls::TMyHintWindow::Install(this);
  GlobalState().BatchToggleMode = false;
  GlobalState().SelectionCancelled = false;
  // Ctrl released in another program never reaches this one: losing the focus ends batch mode.
  QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                   [this](Qt::ApplicationState state) {
                     if (state != Qt::ApplicationActive) EndBatchMode(this);
                   });
}

// The session of the catalogue and the query over the volume's tables, with the window's
// handlers of their events.
void TForm1::ConfigureEngine() {
  SkladSession1.SetSessionName("VAZADA");
  SkladSession1.SetKeepConnections(false);
  SkladSession1.SetLockRetryCount(15);
  SkladSession1.SetLockWaitTime(100);
  SkladSession1.SetLanguageID(VolumeLanguageId);
  SkladSession1.SetSortID(VolumeSortId);
  SkladSession1.SetPrivateDir(PrivateDirectory());
  SkladSession1.SetActive(true);

  SkladQuery1.SetSessionName("VAZADA");
  SkladQuery1.SetRequestLive(true);
  SkladQuery1.SetMaxRowCount(-1);
  SkladQuery1.SetFilterOptions({.CaseInsensitive = true});
  SkladQuery1.BeforeOpen = [this](sklad::TSkladDataSet&) { SkladQuery1BeforeOpen(); };
  SkladQuery1.AfterOpen = [this](sklad::TSkladDataSet&) { SkladQuery1AfterOpen(); };
  SkladQuery1.AfterScroll = [this](sklad::TSkladDataSet&) { SkladQuery1AfterScroll(); };

  DataSource1.OnStateChange = [this](sklad::TDataSource&) { DataSource1StateChange(); };
  DataSource1.OnDataChange = [this](sklad::TDataSource&) { DataSource1DataChange(); };
  DataSource1.SetDataSet(&SkladQuery1);
}

void TForm1::FormShow(QObject* sender) {
  TForm5& selection = *FWindows.Form5;
  const bool reselecting = sender == selection.Button1;
  // A Ctrl release inside the modal selection window would be lost; the new list is built
  // below anyway.
  EndBatchToggleMode();
  if (FArguments.isEmpty() || reselecting) selection.exec();
  if (GlobalState().SelectionCancelled) {
    Terminate();
    return;
  }
  const platform::TProfileFile ini(IniFileName(), VolumeCodePage);
  GlobalState().DatabaseSection = !FArguments.isEmpty() && !reselecting
                                      ? FArguments.front().toStdString()
                                      : std::to_string(selection.ListBox1->currentRow() + 1);
  const std::string& section = GlobalState().DatabaseSection;
  GlobalState().TableName = DatabaseTableName(ini, section);
  ConfigureIssueToggles(ini.ReadString(section, "num", "1"), ini.ReadString(section, "all", "off"));
  GlobalState().LabelSet = ini.ReadString(section, "typ", "1");
  ApplyLabelSet(GlobalState().LabelSet);
  if (SkladQuery1.DatabaseName() != VolumeDirectory()) SkladQuery1.SetDatabaseName(VolumeDirectory());
  // A failed open is reported where it happened; the caption stays as it was.
  if (!Requery(sender)) return;
  const QString caption = DatabaseCaption(ini, section);
  setWindowTitle(caption);
  Label1->setText("  " + caption + "  ");
  Label1->adjustSize();
  SkladQuery1AfterScroll();
}

// The number of issues is converted before any toggle is touched, so a value that is not a
// number is reported with every toggle still holding its click handler.
void TForm1::ConfigureIssueToggles(const std::string& num, const std::string& all) {
  const int issues = StrToInt(num);
  const auto rubriky = [this](QObject* sender) { Rubriky(sender); };
  for (int issue = 1; issue <= LastIssueToggle - FirstIssueToggle + 1; ++issue) {
    ChangeDetached(CheckBox(FirstIssueToggle - 1 + issue), rubriky, [&](TPrepinac& toggle) {
      if (issue > issues) {
        toggle.setEnabled(false);
        toggle.Setblokovano(true);
      } else {
        if (all == "on") toggle.Setchecked(true);
        toggle.setEnabled(true);
        toggle.Setblokovano(false);
      }
      if (issue == issues - 2) toggle.Setchecked(true);
    });
  }
}

// Klapka13's Tag remembers the set last applied, so applying the same set twice keeps the
// user's section choices.
void TForm1::ApplyLabelSet(const std::string& labelSet) {
  const int set = labelSet == "1" ? 1 : labelSet == "2" ? 2 : 0;
  if (set == 0) return;
  const auto rubriky = [this](QObject* sender) { Rubriky(sender); };
  TKlapka* memory = Klapka(13);
  if (memory->Tag() != set) {
    for (int number = FirstSectionToggle; number <= LastSectionToggle; ++number)
      ChangeDetached(CheckBox(number), rubriky, [set](TPrepinac& toggle) {
        toggle.Setchecked(true);
        if (set == 1) {
          toggle.show();
          toggle.setEnabled(true);
        }
      });
    if (set == 1)
      // Set "2" hides the two toggles of section 99; back on set "1" they return to their
      // state as loaded, or records of that section would stay out of the list for the run.
      for (int number : {15, 16})
        ChangeDetached(CheckBox(number), rubriky, [](TPrepinac& toggle) {
          toggle.Setchecked(true);
          toggle.setEnabled(false);
          toggle.hide();
        });
    memory->SetTag(set);
    const auto& names = SectionNames(set);
    for (int section = 1; section <= SectionCount; ++section) rub(section)->setText(names[section - 1]);
  }
  if (set == 2)
    for (int number : {15, 16}) {
      TPrepinac* toggle = CheckBox(number);
      toggle->SetOnClick({});
      toggle->Setchecked(false);
      toggle->hide();
      toggle->setEnabled(false);
    }
}

void TForm1::ShowAtStart() {
  try {
    FormShow(this);
  } catch (const std::exception& error) {
    platform::ui::ReportException(error);
  }
  if (!FTerminated) show();
}

// Before the message loop runs, the program entry sees Terminated and does not start it;
// asking a loop that is not running to end would end the next modal window at once instead.
void TForm1::Terminate() {
  FTerminated = true;
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

// Choosing another database: the selection window is shown again whatever the command line
// said.
void TForm1::Klapka1Click(QObject*) {
  SkladQuery1.Close();
  SkladQuery1.SQL().Clear();
  FormShow(FWindows.Form5->Button1);
}

void TForm1::Klapka2Click(QObject*) {
  FWindows.Form2->LoadHelpIfShort();
  FWindows.Form2->show();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  FScrollArea->setGeometry(rect());
  QWidget::resizeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (StartsBatchToggleMode(*event)) return;
  QWidget::keyPressEvent(event);
}

void TForm1::keyReleaseEvent(QKeyEvent* event) {
  if (IsCtrlRelease(*event)) {
    EndBatchMode(this);
    return;
  }
  QWidget::keyReleaseEvent(event);
}

}  // namespace rejstrik
