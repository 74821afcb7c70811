// The real program on a virtual X server, driven with real mouse events as a user drives it:
// choosing the database, a section toggle, the type filter, help and information windows. The
// screen is saved after every step as <build>/screenshots/program-*.png for anyone to look at.
#include "X11Session.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <memory>

namespace rejstrik::testing {
namespace {

// Window titles as xdotool's regular expressions, which see bytes: each Czech letter is ".+".
// The desktop shows the program's name after a window's own title.
#define WINDOW_TITLE(title) "^" title "( .* Rejst.*)?$"
constexpr const char* SelectionTitle = WINDOW_TITLE("Dostupn.+ datab.+ze");
constexpr const char* MainTitle = WINDOW_TITLE("Kvel CD 2002 .+ speci.+ly");
constexpr const char* TypeFilterTitle = WINDOW_TITLE("filtrovat podle typu");
constexpr const char* HelpTitle = WINDOW_TITLE("N.+pov.+da");
constexpr const char* InformationTitle = WINDOW_TITLE("Kvel CD");
#undef WINDOW_TITLE

class RealProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QStringList missing = TX11Session::MissingTools();
    if (!missing.isEmpty())
      GTEST_SKIP() << "the real program needs " << missing.join(", ").toStdString()
                   << " (scripts/install-deps.sh installs them)";
    // The sanitized program's leak report must not count the desktop libraries' own buffers.
    if (!qEnvironmentVariableIsSet("LSAN_OPTIONS"))
      qputenv("LSAN_OPTIONS", "suppressions=" REJSTRIK_LSAN_SUPPRESSIONS ":print_suppressions=0");
    FSession = std::make_unique<TX11Session>(QSize(1024, 768));
    FShots = TX11Session::MissingScreenshotTools().isEmpty();
    if (!FShots) std::printf("no screenshots: xwd or xwdtopnm is missing\n");
    QDir().mkpath(REJSTRIK_SCREENSHOT_DIR);
  }

  // The shown window with the title, checked to be centred on the screen at its size.
  QRect CentredWindow(const char* title, QSize size) {
    const auto window = FSession->WaitForWindow(title);
    if (!window) {
      ADD_FAILURE() << "no window " << title;
      return {};
    }
    const QRect frame = FSession->Geometry(*window);
    EXPECT_EQ(frame.size(), size) << title;
    const QPoint centred((FSession->ScreenSize().width() - size.width()) / 2,
                         (FSession->ScreenSize().height() - size.height()) / 2);
    EXPECT_LE((frame.topLeft() - centred).manhattanLength(), 2) << title;
    return frame;
  }

  // The screen once the window just shown is drawn.
  QImage Shot(const QString& name, QRect window) {
    if (!FShots) return {};
    return FSession->ScreenshotOnceDrawn(
        window, QString(REJSTRIK_SCREENSHOT_DIR "/program-%1.png").arg(name));
  }

  void ExpectRunning() {
    ASSERT_EQ(FProgram->state(), QProcess::Running) << "the program ended, exit code "
                                                     << FProgram->exitCode();
  }

  std::unique_ptr<TX11Session> FSession;
  QProcess* FProgram = nullptr;
  bool FShots = false;
};

TEST_F(RealProgramTest, UserChoosesTheDatabaseAndOpensEveryWindow) {
  FProgram = &FSession->Launch(REJSTRIK_PROGRAM, {});

  // The selection window: the second database, then OK.
  const QRect selection = CentredWindow(SelectionTitle, {220, 216});
  ASSERT_TRUE(selection.isValid());
  Shot("1-selection", selection);
  FSession->ClickAt(selection.topLeft() + QPoint(18 + 60, 46 + 13 + 6));
  FSession->ClickAt(selection.topLeft() + QPoint(80 + 30, 184 + 11));
  ASSERT_TRUE(FSession->WaitUntilGone(SelectionTitle));

  // The main window on the chosen database; the first section toggle is clicked.
  const QRect main = CentredWindow(MainTitle, {640, 550});
  ASSERT_TRUE(main.isValid());
  const QRect firstSectionToggle(main.topLeft() + QPoint(14, 312), QSize(14, 14));
  const QImage before = Shot("2-main", main);
  FSession->ClickAt(firstSectionToggle.center());
  ExpectRunning();
  const QImage after = Shot("3-section-toggle", main);
  if (FShots) {
    EXPECT_NE(before.copy(firstSectionToggle), after.copy(firstSectionToggle));
  }

  // The windows opened from the main window lie over it. Xvfb leaves a window mapped over
  // another window black in its framebuffer (any Qt program shows this without a compositor),
  // so their pictures come from the offscreen screenshot test; here they are only driven.
  // The type filter window, closed with its close button.
  FSession->ClickAt(main.topLeft() + QPoint(454 + 26, 482 + 10));
  const QRect typeFilter = CentredWindow(TypeFilterTitle, {360, 295});
  FSession->ClickAt(typeFilter.topLeft() + QPoint(336 + 9, 2 + 9));
  EXPECT_TRUE(FSession->WaitUntilGone(TypeFilterTitle));

  // Help, closed with its close button.
  FSession->ClickAt(main.topLeft() + QPoint(575 + 11, 479 + 11));
  const QRect help = CentredWindow(HelpTitle, {530, 360});
  FSession->ClickAt(help.topLeft() + QPoint(504 + 9, 4 + 9));
  EXPECT_TRUE(FSession->WaitUntilGone(HelpTitle));

  // Information, closed by a click on its picture.
  FSession->ClickAt(main.topLeft() + QPoint(8 + 9, 9 + 9));
  const QRect information = CentredWindow(InformationTitle, {222, 218});
  FSession->ClickAt(information.topLeft() + QPoint(124 + 37, 100 + 21));
  EXPECT_TRUE(FSession->WaitUntilGone(InformationTitle));
  ExpectRunning();

  // The main window's close button ends the program.
  FSession->ClickAt(main.topLeft() + QPoint(614 + 9, 7 + 9));
  ASSERT_TRUE(FProgram->waitForFinished(10000)) << "the program did not end";
  EXPECT_EQ(FProgram->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(FProgram->exitCode(), 0);
}

}  // namespace
}  // namespace rejstrik::testing
