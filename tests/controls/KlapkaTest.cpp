#include "controls/Klapka.h"
#include "PictureStates.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QTest>

namespace controls {
namespace {

using namespace controls::testing;

class KlapkaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWindow.resize(100, 60);
    FButton = new TKlapka(&FWindow);
    FButton->SetPicture(Solid(Normal));
    FButton->Setobrazek_dolu(Solid(Pressed));
    FButton->Setobrazek_nahoru(Solid(Normal));
    FButton->Setobrazek_blok(Solid(Blocked));
    FButton->Setblokovano(false);
    FButton->move(10, 10);
    FButton->SetOnClick([this](QObject* sender) {
      ++FClicks;
      FSender = sender;
    });
    FWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
  }

  void Enter() {
    QEnterEvent enter(QPointF(2, 2), QPointF(12, 12), QPointF(12, 12));
    QApplication::sendEvent(FButton, &enter);
  }
  void Leave() {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(FButton, &leave);
  }
  QColor Look() const { return Shown(FButton->Picture()); }

  QWidget FWindow;
  TKlapka* FButton = nullptr;
  int FClicks = 0;
  QObject* FSender = nullptr;
};

TEST_F(KlapkaTest, TakesTheSizeOfItsPictureAndShowsTheHandPointer) {
  EXPECT_EQ(FButton->size(), QSize(20, 12));
  EXPECT_EQ(FButton->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(KlapkaTest, WithoutHoverPictureKeepsItsNormalLookWhenHovered) {
  Enter();
  EXPECT_EQ(Look(), Normal);
}

TEST_F(KlapkaTest, HoverPressedAndNormalPicturesFollowTheMouse) {
  FButton->Setobrazek_pres(Solid(Hovered));
  Enter();
  EXPECT_EQ(Look(), Hovered);
  QTest::mousePress(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(Look(), Pressed);
  QTest::mouseRelease(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(Look(), Normal);
  Leave();
  EXPECT_EQ(Look(), Normal);
  EXPECT_EQ(FClicks, 1);
  EXPECT_EQ(FSender, FButton);
}

TEST_F(KlapkaTest, ReleaseOutsideDoesNotClickAndLeavingRestoresTheNormalLook) {
  FButton->Setobrazek_pres(Solid(Hovered));
  Enter();
  QTest::mousePress(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(FButton, Qt::LeftButton, {}, QPoint(60, 40));
  Leave();
  EXPECT_EQ(Look(), Normal);
  EXPECT_EQ(FClicks, 0);
}

TEST_F(KlapkaTest, BlockedButtonKeepsItsLookYetStillClicks) {
  FButton->Setobrazek_pres(Solid(Hovered));
  FButton->Setblokovano(true);
  EXPECT_EQ(Look(), Blocked);
  Enter();
  EXPECT_EQ(Look(), Blocked);
  QTest::mousePress(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(Look(), Blocked);
  QTest::mouseRelease(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  Leave();
  EXPECT_EQ(Look(), Blocked);
  EXPECT_EQ(FClicks, 1);
  FButton->Setblokovano(false);
  EXPECT_EQ(Look(), Normal);
}

TEST_F(KlapkaTest, DisabledButtonDoesNotClick) {
  FButton->setEnabled(false);
  QTest::mouseClick(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(FClicks, 0);
}

TEST_F(KlapkaTest, ClickHandlerCanBeDetachedAndAttached) {
  EXPECT_TRUE(FButton->HasOnClick());
  FButton->SetOnClick({});
  EXPECT_FALSE(FButton->HasOnClick());
  QTest::mouseClick(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(FClicks, 0);
  FButton->SetOnClick([this](QObject*) { ++FClicks; });
  QTest::mouseClick(FButton, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(FClicks, 1);
}

TEST_F(KlapkaTest, SettingAPictureDoesNotRedraw) {
  FButton->Setobrazek_nahoru(Solid(Qt::yellow));
  EXPECT_EQ(Look(), Normal);
}

TEST_F(KlapkaTest, ShowsItsHintOnlyAsAButton) {
  FButton->SetHint("Zavřít");
  EXPECT_EQ(FButton->toolTip(), "Zavřít");
}

}  // namespace
}  // namespace controls
