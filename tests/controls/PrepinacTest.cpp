#include "controls/Prepinac.h"
#include "PictureStates.h"

#include <gtest/gtest.h>

#include <QTest>

namespace controls {
namespace {

using namespace controls::testing;

class PrepinacTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWindow.resize(100, 60);
    FToggle = new TPrepinac(&FWindow);
    FToggle->Setobrazek_dolu(Solid(Pressed));
    FToggle->Setobrazek_nahoru(Solid(Normal));
    FToggle->Setobrazek_blok(Solid(Blocked));
    FToggle->Setchecked(false);
    FToggle->move(10, 10);
    FToggle->SetOnClick([this](QObject*) {
      ++FClicks;
      FCheckedDuringClick = FToggle->checked();
    });
    FWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
  }

  QColor Look() const { return Shown(FToggle->Picture()); }

  QWidget FWindow;
  TPrepinac* FToggle = nullptr;
  int FClicks = 0;
  bool FCheckedDuringClick = false;
};

TEST_F(PrepinacTest, FlipsOnPressAndClicksOnRelease) {
  QTest::mousePress(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_TRUE(FToggle->checked());
  EXPECT_EQ(Look(), Pressed);
  EXPECT_EQ(FClicks, 0);
  QTest::mouseRelease(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(FClicks, 1);
  EXPECT_TRUE(FCheckedDuringClick);
}

TEST_F(PrepinacTest, TwoPressesReturnToTheFirstStateWithTwoClicks) {
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(FToggle->checked());
  EXPECT_EQ(Look(), Normal);
  EXPECT_EQ(FClicks, 2);
}

TEST_F(PrepinacTest, ChangeFromCodeNeverClicks) {
  FToggle->Setchecked(true);
  FToggle->Setchecked(false);
  FToggle->Setblokovano(true);
  EXPECT_EQ(FClicks, 0);
}

TEST_F(PrepinacTest, BlockedButEnabledToggleClicksWithoutChangingState) {
  FToggle->Setblokovano(true);
  EXPECT_EQ(Look(), Blocked);
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(FToggle->checked());
  EXPECT_EQ(Look(), Blocked);
  EXPECT_EQ(FClicks, 1);
}

TEST_F(PrepinacTest, CheckedSetOnABlockedToggleShowsTheStatePicture) {
  FToggle->Setblokovano(true);
  FToggle->Setchecked(true);
  EXPECT_EQ(Look(), Pressed);
  EXPECT_TRUE(FToggle->blokovano());
  FToggle->Setchecked(false);
  EXPECT_EQ(Look(), Normal);
}

TEST_F(PrepinacTest, UnblockingKeepsTheLookUntilTheNextChange) {
  FToggle->Setblokovano(true);
  FToggle->Setblokovano(false);
  EXPECT_EQ(Look(), Blocked);
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(Look(), Pressed);
}

TEST_F(PrepinacTest, DisabledToggleNeitherFlipsNorClicks) {
  FToggle->setEnabled(false);
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(FToggle->checked());
  EXPECT_EQ(FClicks, 0);
}

// An option pair made of two toggles: a press on the checked one leaves both unchecked.
TEST_F(PrepinacTest, PressOnTheCheckedOptionOfAPairUnchecksIt) {
  auto* partner = new TPrepinac(&FWindow);
  partner->move(50, 10);
  partner->Setobrazek_dolu(Solid(Pressed));
  partner->Setobrazek_nahoru(Solid(Normal));
  FToggle->Setchecked(true);
  FToggle->SetOnClick([&](QObject*) {
    if (FToggle->checked() && partner->checked()) partner->Setchecked(false);
  });
  QTest::mouseClick(FToggle, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_FALSE(FToggle->checked());
  EXPECT_FALSE(partner->checked());
}

TEST_F(PrepinacTest, KeepsItsHintAsDataWithoutShowingIt) {
  FToggle->SetHint("10");
  FToggle->SetTag(99);
  EXPECT_EQ(FToggle->Hint(), "10");
  EXPECT_EQ(FToggle->Tag(), 99);
  EXPECT_TRUE(FToggle->toolTip().isEmpty());
}

}  // namespace
}  // namespace controls
