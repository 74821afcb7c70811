// The browser's toggle click against our own engine. The window side: the program started on a
// volume (offscreen), a section toggle clicked with the mouse (alternately unchecked and checked,
// so the SQL text changes every time), then the list repainted and the pending events processed
// (the rest of the window drawn) until the grid has drawn its first rows and the detail pane
// shows the new first record. The engine side:
// the same SQL text, taken from the window's query after the click, on a bare query of the same
// table: prepare, open, and the first record read with all its fields (the memo from the BLOB
// file). The ratio window/engine is the windows' overhead over the engine doing the same work
// (the goal: 1.3 at most); it is NOT a comparison with SQLite, which takes no part here.
// Cases: the sample volume's first database, and a synthetic catalogue of 1,000,000 records
// (SKLAD_BENCH_RECORDS: a size of its own) in code page 1250 with the indexes p, r, typ, name.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "CatalogueLoad.h"
#include "RatioReporter.h"
#include "app/GlobalState.h"
#include "app/ProgramWindows.h"
#include "app/Unit1.h"
#include "app/VolumeFiles.h"
#include "controls/DBGrid.h"
#include "controls/Prepinac.h"
#include "dataset/Field.h"
#include "dataset/SkladBlobStream.h"
#include "dataset/SkladQuery.h"
#include "dataset/SkladSession.h"
#include "platform/locale/CodePage.h"
#include "platform/ui/MessageBox.h"

namespace {

constexpr const char* kSyntheticTable = "katalog";
// Rounds of event processing a click may take before the bench gives up on it.
constexpr int kMaxRounds = 1000;
// The section toggles are CheckBox(3) .. CheckBox(14), sections 1 .. 12.
constexpr int kFirstSectionToggle = 2;

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_browser: %s\n", message.c_str());
  std::exit(1);
}

QString VolumeText(const std::string& bytes) {
  return QString::fromStdString(platform::CodePageToUtf8(bytes, rejstrik::VolumeCodePage));
}

// The volume's rocnik.ini from UTF-8 text, in code page 1250 with CRLF line ends.
void WriteIni(const std::filesystem::path& volume, const std::string& utf8Text) {
  std::string text;
  for (char c : utf8Text) {
    if (c == '\n') text += '\r';
    text += c;
  }
  std::ofstream(volume / "rocnik.ini", std::ios::binary) << platform::Utf8ToCodePage(text, rejstrik::VolumeCodePage);
}

void CopySampleVolume(const std::filesystem::path& volume) {
  std::filesystem::copy(REJSTRIK_SAMPLE_DIR "/obsahy/rocnik", volume, std::filesystem::copy_options::recursive);
}

// One database, the synthetic catalogue, with every issue checked at start.
void BuildSyntheticVolume(const std::filesystem::path& volume) {
  {
    sklad::bench::TBenchDatabase database(volume);
    sklad::bench::LoadSkladCatalogue(*database.Database, kSyntheticTable,
                                     sklad::bench::RecordCount(1'000'000));
  }
  WriteIni(volume, "[1]\nd_name=" + std::string(kSyntheticTable) +
                       ".dat\nd_caption=Syntetický katalog\nnum=12\nall=on\ntyp=1\n");
}

// The first record's fields as the detail pane needs them, read from a dataset: the texts and
// the memo whole. Answers the name.
std::string ReadFirstRecord(sklad::TSkladQuery& query) {
  size_t bytes = 0;
  for (int index = 0; index < query.FieldCount(); ++index) {
    sklad::TField& field = query.Fields(index);
    if (field.DataType() == sklad::TFieldKind::Memo) {
      sklad::TSkladBlobStream memo(field, sklad::TBlobStreamMode::Read);
      std::string text(static_cast<size_t>(memo.Size()), '\0');
      bytes += static_cast<size_t>(memo.Read(text.data(), memo.Size()));
    } else {
      bytes += field.AsString().size();
    }
  }
  benchmark::DoNotOptimize(bytes);
  return query.FieldByName("name").AsString();
}

// A volume folder of its own with the program started on its first database, the toggle the
// bench clicks, both SQL texts the clicks make with the first name each shows, and a bare query
// of the engine on the same table.
class TBrowserCase {
 public:
  TBrowserCase(const std::string& name, void (*buildVolume)(const std::filesystem::path&))
      : FName(name), FDirectory(sklad::bench::WorkDirectory("browser-" + name)) {
    const std::filesystem::path volume = FDirectory / "obsahy" / "rocnik";
    std::filesystem::create_directories(volume.parent_path());
    buildVolume(volume);
    rejstrik::SetProgramDirectory(FDirectory.string());
    rejstrik::GlobalState() = rejstrik::TGlobalState{};
    FProgram = std::make_unique<rejstrik::TProgram>(QStringList{"1"});
    if (!FProgram->Start()) Fail(name + ": the program did not start");
    QApplication::processEvents();
    FToggle = Main().CheckBox(kFirstSectionToggle + FirstRecordSection());
    OpenBareQuery();
    // Two clicks learn the texts of both states and leave the toggle as it was.
    for (int click = 0; click < 2; ++click) {
      ClickToggle();
      const std::vector<std::string>& lines = Main().SkladQuery1.SQL().Lines();
      FBareQuery.SetSQL(lines);
      FBareQuery.Open();
      FStates[FToggle->checked()] = {lines, VolumeText(ReadFirstRecord(FBareQuery))};
      WaitUntilShown();
    }
    if (FStates[false].FirstName == FStates[true].FirstName)
      Fail(name + ": the click does not change the first record");
  }

  ~TBrowserCase() {
    FBareQuery.Close();
    FProgram.reset();
    rejstrik::SetProgramDirectory({});
    std::filesystem::remove_all(FDirectory);
  }
  TBrowserCase(const TBrowserCase&) = delete;
  TBrowserCase& operator=(const TBrowserCase&) = delete;

  const std::string& Name() const { return FName; }

  // The click and the windows brought up to date with it.
  void ClickAndShow() {
    Main().DBGrid1->ResetRecordsRead();
    ClickToggle();
    WaitUntilShown();
  }

  // The engine's part of the same click: the other state's text opened and its first record read.
  void OpenNextText() {
    FEngineChecked = !FEngineChecked;
    FBareQuery.SetSQL(FStates[FEngineChecked].Lines);
    FBareQuery.Open();
    ReadFirstRecord(FBareQuery);
  }

  int RecordCount() { return Main().SkladQuery1.RecordCount(); }
  // Rounds of drawing and event processing the clicks took, since the case started.
  int64_t Rounds() const { return FRounds; }

 private:
  struct TToggleState {
    std::vector<std::string> Lines;
    QString FirstName;
  };

  rejstrik::TForm1& Main() const { return *FProgram->Windows().Form1; }

  // The section of the record the list starts with, so that its toggle changes the first record.
  int FirstRecordSection() const {
    const int section = std::atoi(Main().SkladQuery1.FieldByName("r").AsString().c_str());
    return section >= 1 && section <= 12 ? section : 1;
  }

  void OpenBareQuery() {
    FBareSession.SetSessionName("BROWSERBENCH");
    FBareSession.SetLanguageID(1029);
    FBareSession.SetPrivateDir(FDirectory.string());
    FBareSession.SetActive(true);
    FBareQuery.SetSessionName("BROWSERBENCH");
    FBareQuery.SetDatabaseName(rejstrik::VolumeDirectory());
    FBareQuery.SetRequestLive(true);
    FBareQuery.SetMaxRowCount(-1);
  }

  // The toggle flips on the press and runs its handler on the release.
  void ClickToggle() { QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2)); }

  // Events processed and the list repainted until the grid has drawn rows and both the grid's
  // first row and the detail pane show the first record of the new state.
  void WaitUntilShown() {
    const QString& name = FStates.at(FToggle->checked()).FirstName;
    rejstrik::TForm1& main = Main();
    for (int round = 0; round < kMaxRounds; ++round) {
      // The list first, so that its lazy rows are read and drawn now; then whatever else the
      // click left to draw. The list is drawn once.
      main.DBGrid1->viewport()->repaint();
      QApplication::processEvents();
      ++FRounds;
      if (main.DBGrid1->RecordsRead() > 0 && main.DBGrid1->model()->index(0, 0).data().toString() == name &&
          (main.Label9->text() == name || main.Label9->toolTip() == name))
        return;
    }
    Fail(FName + ": the windows do not show the new first record");
  }

  std::string FName;
  std::filesystem::path FDirectory;
  std::unique_ptr<rejstrik::TProgram> FProgram;
  controls::TPrepinac* FToggle = nullptr;
  std::map<bool, TToggleState> FStates;  // by the toggle's state after the click
  bool FEngineChecked = true;
  int64_t FRounds = 0;
  sklad::TSkladSession FBareSession;
  sklad::TSkladQuery FBareQuery;
};

// One case at a time: the program's windows and their global state are one per process.
std::unique_ptr<TBrowserCase> Current;

TBrowserCase& CaseNamed(const std::string& name, void (*buildVolume)(const std::filesystem::path&)) {
  if (!Current || Current->Name() != name) {
    Current.reset();
    Current = std::make_unique<TBrowserCase>(name, buildVolume);
  }
  return *Current;
}

void ClickInWindows(benchmark::State& state, const std::string& name, void (*buildVolume)(const std::filesystem::path&)) {
  TBrowserCase& browser = CaseNamed(name, buildVolume);
  const int64_t roundsBefore = browser.Rounds();
  for (auto _ : state) browser.ClickAndShow();
  state.counters["records"] = static_cast<double>(browser.RecordCount());
  state.counters["rounds_per_click"] =
      static_cast<double>(browser.Rounds() - roundsBefore) / static_cast<double>(state.iterations());
}

void OpenInEngine(benchmark::State& state, const std::string& name, void (*buildVolume)(const std::filesystem::path&)) {
  TBrowserCase& browser = CaseNamed(name, buildVolume);
  for (auto _ : state) browser.OpenNextText();
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  platform::ui::SetMessageBoxObserver(
      [](const platform::ui::TMessageBoxCall& call) { Fail("message box: " + call.Text.toStdString()); });
  for (const auto& [name, build] : {std::pair{"sample", &CopySampleVolume}, std::pair{"synthetic", &BuildSyntheticVolume}}) {
    const std::string prefix = std::string("Browser/") + name;
    // A click at the full size takes a quarter of a second: enough of them to steady the ratio.
    benchmark::RegisterBenchmark((prefix + "/window").c_str(), ClickInWindows, name, build)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    benchmark::RegisterBenchmark((prefix + "/engine").c_str(), OpenInEngine, name, build)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
  }
  const int result = sklad::bench::RunWithRatios(argc, argv, {"window", "engine"});
  Current.reset();
  return result;
}
