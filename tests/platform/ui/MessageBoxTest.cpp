#include "platform/ui/MessageBox.h"
#include "platform/ui/ScreenMetrics.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <stdexcept>
#include <vector>

namespace platform::ui {
namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxObserver([this](const TMessageBoxCall& call) { FCalls.push_back(call); });
  }
  void TearDown() override { SetMessageBoxObserver({}); }
  std::vector<TMessageBoxCall> FCalls;
};

TEST_F(MessageBoxTest, ObserverSeesTheBoxInsteadOfTheUser) {
  ShowMessageBox(nullptr, "Upozornění", "Zadejte vyhledávací podmínky.", TMessageKind::Warning);
  ASSERT_EQ(FCalls.size(), 1u);
  EXPECT_EQ(FCalls[0].Caption, "Upozornění");
  EXPECT_EQ(FCalls[0].Text, "Zadejte vyhledávací podmínky.");
  EXPECT_EQ(FCalls[0].Kind, TMessageKind::Warning);
}

TEST_F(MessageBoxTest, UnhandledErrorIsReportedWithTheApplicationTitle) {
  QGuiApplication::setApplicationDisplayName("Rejstřík");
  ReportException(std::runtime_error("Soubor chybí"));
  ASSERT_EQ(FCalls.size(), 1u);
  EXPECT_EQ(FCalls[0].Caption, "Rejstřík");
  EXPECT_EQ(FCalls[0].Text, "Soubor chybí");
  EXPECT_EQ(FCalls[0].Kind, TMessageKind::Error);
}

TEST(ScreenMetricsTest, OverrideStandsForTheScreenUntilCleared) {
  const int real = ScreenHeight();
  EXPECT_GT(real, 0);
  SetScreenHeightOverride(480);
  EXPECT_EQ(ScreenHeight(), 480);
  SetScreenHeightOverride(0);
  EXPECT_EQ(ScreenHeight(), real);
}

}  // namespace
}  // namespace platform::ui
