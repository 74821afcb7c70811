#include "controls/Klapka.h"
#include "controls/Presunovac.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

namespace controls {
namespace {

// A borderless window the size of the main window, with its drag strip and a background
// picture lying over the whole client area, as the program's windows have.
class PresunovacTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWindow.setWindowFlag(Qt::FramelessWindowHint);
    FWindow.setFixedSize(640, 550);
    auto* background = new QLabel(&FWindow);
    background->setGeometry(0, 0, 640, 550);
    FStrip = new TPresunovac(&FWindow);
    FStrip->SetStrip(45, 100, 0, 25);
    FWindow.move(100, 100);
    FWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
  }

  void Send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = target->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  QWidget FWindow;
  TPresunovac* FStrip = nullptr;
};

struct TStripCase {
  QPoint Point;
  bool Inside;
};

TEST_F(PresunovacTest, StripEdgesOfTheMainWindow) {
  const TStripCase cases[] = {{{44, 10}, false}, {{45, 10}, true},  {{540, 10}, true},
                              {{541, 10}, false}, {{300, 0}, true}, {{300, 25}, true},
                              {{300, 26}, false}, {{300, -1}, false}};
  for (const TStripCase& c : cases)
    EXPECT_EQ(FStrip->StripContains(c.Point), c.Inside) << c.Point.x() << "," << c.Point.y();
}

// The offscreen platform cannot move windows itself, so the component moves the window.
TEST_F(PresunovacTest, DragInTheStripMovesTheWindow) {
  QWidget* picture = FWindow.childAt(200, 10);
  ASSERT_NE(picture, nullptr);
  const QPoint start = FWindow.pos();
  Send(picture, QEvent::MouseButtonPress, {200, 10}, Qt::LeftButton);
  Send(picture, QEvent::MouseMove, {230, 50}, Qt::LeftButton);
  Send(picture, QEvent::MouseButtonRelease, {230, 50}, Qt::NoButton);
  EXPECT_EQ(FWindow.pos(), start + QPoint(30, 40));
}

TEST_F(PresunovacTest, DragOutsideTheStripLeavesTheWindowInPlace) {
  const QPoint start = FWindow.pos();
  Send(&FWindow, QEvent::MouseButtonPress, {20, 10}, Qt::LeftButton);
  Send(&FWindow, QEvent::MouseMove, {60, 60}, Qt::LeftButton);
  Send(&FWindow, QEvent::MouseButtonRelease, {60, 60}, Qt::NoButton);
  EXPECT_EQ(FWindow.pos(), start);
}

TEST_F(PresunovacTest, ButtonsInTheTitleAreaStayClickable) {
  auto* close = new TKlapka(&FWindow);
  QPixmap picture(18, 18);
  picture.fill(Qt::red);
  close->SetPicture(picture);
  close->move(614, 7);
  close->show();
  int clicks = 0;
  close->SetOnClick([&](QObject*) { ++clicks; });
  const QPoint start = FWindow.pos();
  QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(FWindow.pos(), start);
}

TEST_F(PresunovacTest, DoubleClickInTheStripMaximisesOnlyASizeableWindow) {
  Send(&FWindow, QEvent::MouseButtonDblClick, {200, 10}, Qt::LeftButton);
  EXPECT_FALSE(FWindow.isMaximized());
  FWindow.setMinimumSize(0, 0);
  FWindow.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  Send(&FWindow, QEvent::MouseButtonDblClick, {200, 10}, Qt::LeftButton);
  EXPECT_TRUE(FWindow.isMaximized());
  Send(&FWindow, QEvent::MouseButtonDblClick, {200, 10}, Qt::LeftButton);
  EXPECT_FALSE(FWindow.isMaximized());
}

}  // namespace
}  // namespace controls
