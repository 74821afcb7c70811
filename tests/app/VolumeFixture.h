// A fixture for tests of the program's windows: a volume folder of its own with a rocnik.ini
// written in code page 1250, message boxes caught instead of shown, and the program's windows
// created as the program entry creates them.
#pragma once

#include "CatalogueTables.h"
#include "app/GlobalState.h"
#include "app/ProgramWindows.h"
#include "app/VolumeFiles.h"
#include "platform/locale/CodePage.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ScreenMetrics.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rejstrik::testing {

class VolumeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDirectory.isValid());
    QDir(FDirectory.path()).mkpath("obsahy/rocnik");
    SetProgramDirectory(FDirectory.path().toStdString());
    GlobalState() = TGlobalState{};
    platform::ui::SetMessageBoxObserver(
        [this](const platform::ui::TMessageBoxCall& call) { FMessages.push_back(call); });
  }

  void TearDown() override {
    FProgram.reset();
    platform::ui::SetMessageBoxObserver({});
    platform::ui::SetScreenHeightOverride(0);
    SetProgramDirectory({});
  }

  // Writes rocnik.ini from UTF-8 text, converted to code page 1250 and given CRLF line ends.
  void WriteIni(const std::string& utf8Text) {
    std::string text;
    for (char c : utf8Text) {
      if (c == '\n') text += '\r';
      text += c;
    }
    std::ofstream(IniFileName(), std::ios::binary) << platform::Utf8ToCodePage(text, 1250);
  }

  // A catalogue table of the volume (name in UTF-8, as d_name gives it before its ".").
  void CreateTable(const std::string& name, const std::vector<TCatalogueRecord>& records = {}) {
    CreateCatalogueTable(VolumeDirectory(), name, records);
  }

  // The tables of ThreeDatabases, without records.
  void CreateThreeTables() {
    for (const char* name : {"kvel2002", "speciály", "kvel2003"}) CreateTable(name);
  }

  // The previous program goes first: its windows and its engine session end before the new
  // ones start.
  void CreateProgram(const QStringList& arguments) {
    FProgram.reset();
    FProgram = std::make_unique<TProgram>(arguments);
  }

  // Runs the action as soon as the selection window's modal loop is running.
  void WhenSelectionShows(std::function<void(TForm5&)> action) {
    QTimer::singleShot(0, [this, action] { action(*Windows().Form5); });
  }

  const TProgramWindows& Windows() const { return FProgram->Windows(); }

  QTemporaryDir FDirectory;
  std::unique_ptr<TProgram> FProgram;
  std::vector<platform::ui::TMessageBoxCall> FMessages;
};

// Three databases with different issue counts and label sets.
inline constexpr const char* ThreeDatabases =
    "[1]\n"
    "d_name=kvel2002.dat\n"
    "d_caption=Kvel CD 2002 – programy\n"
    "num=12\n"
    "all=on\n"
    "typ=1\n"
    "[2]\n"
    "d_name=speciály.dat\n"
    "d_caption=Speciály – ovladače\n"
    "num=5\n"
    "all=off\n"
    "typ=2\n"
    "[3]\n"
    "d_name=kvel2003\n"
    "d_caption=Kvel CD 2003\n"
    "num=3\n"
    "typ=1\n";

}  // namespace rejstrik::testing
