// A fixture for scenarios on a running program: the volume (the built sample volume, or tables
// made for the test), the program started, the opens of the catalogue query counted, and its
// SQL text and word filter read back from code page 1250.
#pragma once

#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "controls/Prepinac.h"

#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

namespace rejstrik::testing {

class CatalogueFixture : public VolumeFixture {
 protected:
  void CopySampleVolume() {
    std::filesystem::copy(REJSTRIK_SAMPLE_DIR "/obsahy/rocnik", VolumeDirectory(),
                          std::filesystem::copy_options::overwrite_existing |
                              std::filesystem::copy_options::recursive);
  }

  // Creates the program, counts the query's opens from its first one on, and starts it.
  void Start(const QStringList& arguments) {
    CreateProgram(arguments);
    sklad::TSkladQuery& query = Main().SkladQuery1;
    query.BeforeOpen = [this, previous = query.BeforeOpen](sklad::TSkladDataSet& dataSet) {
      ++FOpens;
      previous(dataSet);
    };
    ASSERT_TRUE(FProgram->Start());
  }

  TForm1& Main() const { return *Windows().Form1; }
  sklad::TSkladQuery& Query() const { return Main().SkladQuery1; }

  // The query's lines and filter as UTF-8.
  std::vector<std::string> SqlLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : Query().SQL().Lines())
      lines.push_back(platform::CodePageToUtf8(line, 1250));
    return lines;
  }
  std::string FilterText() const { return platform::CodePageToUtf8(Query().Filter(), 1250); }

  // A click of the mouse: the toggle flips on the press and runs its handler on the release.
  static void Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(2, 2));
  }

  // Ctrl held in the window while the action runs.
  static void WithCtrl(QWidget* pressedIn, QWidget* releasedIn, const std::function<void()>& action) {
    QTest::keyPress(pressedIn, Qt::Key_Control);
    action();
    QTest::keyRelease(releasedIn, Qt::Key_Control);
  }

  int RecordCount() const { return Query().Active() ? Query().RecordCount() : -1; }

  int FOpens = 0;
};

// The section toggles of the main window, CheckBox(3) .. CheckBox(14), by section number.
inline int SectionToggle(int section) { return 2 + section; }
// The issue toggles, CheckBox(17) .. CheckBox(28), by issue number.
inline int IssueToggle(int issue) { return 16 + issue; }

}  // namespace rejstrik::testing
