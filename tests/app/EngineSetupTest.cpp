// The main window's engine session and query as the program configures them, and the private
// directory the session gets.
#include "VolumeFixture.h"

#include "app/LoadingIndicator.h"
#include "app/PrivateDirectory.h"
#include "app/Unit1.h"

#include <QDir>
#include <QLabel>
#include <QPalette>

namespace rejstrik::testing {
namespace {

struct TPrivateDirectoryCase {
  const char* Temporary;
  const char* System;
  std::string Expected;
};

TEST(PrivateDirectoryTest, TemporaryThenSystemThenRoot) {
  const std::vector<TPrivateDirectoryCase> cases = {
      {"/var/tmp", "/windows", "/var/tmp"},
      {"", "/windows", "/windows"},
      {"", "", QDir::rootPath().toStdString()},
  };
  for (const TPrivateDirectoryCase& c : cases)
    EXPECT_EQ(ChoosePrivateDirectory(c.Temporary, c.System), c.Expected) << c.Temporary << "|" << c.System;
}

using EngineSetupTest = VolumeFixture;

TEST_F(EngineSetupTest, SessionAndQueryCarryTheCatalogueSettings) {
  CreateProgram({"1"});
  const TForm1& form = *Windows().Form1;
  const sklad::TSkladSession& session = form.SkladSession1;
  EXPECT_TRUE(session.Active());
  EXPECT_EQ(session.SessionName(), "VAZADA");
  EXPECT_FALSE(session.KeepConnections());
  EXPECT_EQ(session.LockRetryCount(), 15);
  EXPECT_EQ(session.LockWaitTime(), 100);
  EXPECT_EQ(session.LanguageID(), 1029);
  EXPECT_EQ(session.SortID(), 0);
  EXPECT_EQ(session.PrivateDir(), QDir::tempPath().toStdString());
  const sklad::TSkladQuery& query = form.SkladQuery1;
  EXPECT_EQ(query.SessionName(), "VAZADA");
  EXPECT_TRUE(query.RequestLive());
  EXPECT_EQ(query.MaxRowCount(), -1);
  EXPECT_TRUE(query.FilterOptions().CaseInsensitive);
  EXPECT_EQ(form.Tag(), 0);
}

TEST(LoadingIndicatorTest, RedStripInTheMiddleOfTheScreenUntilClosed) {
  TLoadingIndicator indicator;
  indicator.Show();
  QWidget* window = indicator.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->objectName(), "FormX");
  EXPECT_EQ(window->width(), 200);
  // The whole line "načítám data..." lies inside the strip.
  const auto* text = window->findChild<QLabel*>();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(window->rect().contains(text->geometry())) << text->geometry().height();
  EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0xd6, 0x29, 0x31));
  EXPECT_TRUE(window->isVisible());
  indicator.Close();
  EXPECT_EQ(indicator.Window(), nullptr);
  EXPECT_EQ(indicator.ShowCount(), 1);
}

}  // namespace
}  // namespace rejstrik::testing
