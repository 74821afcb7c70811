#include "controls/MyHintWindow.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>

namespace controls {
namespace {

TEST(MyHintWindowTest, PaintsItsPanelInTheHintColour) {
  TMyHintWindow hint;
  hint.ShowHint("Nápověda", QPoint(10, 10));
  const QImage image = hint.grab().toImage();
  EXPECT_EQ(QColor(image.pixel(image.width() / 2, 2)), QColor(220, 220, 221));
  EXPECT_EQ(hint.text(), "Nápověda");
}

TEST(MyHintWindowTest, InstalledWindowShowsTheHintsOfTheOwnersWidgets) {
  QWidget window;
  auto* button = new QWidget(&window);
  button->setGeometry(10, 10, 20, 20);
  button->setToolTip("Zavřít");
  TMyHintWindow::Install(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  QHelpEvent request(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(button, &request);
  QLabel* hint = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->windowType() == Qt::ToolTip && top->isVisible()) hint = static_cast<QLabel*>(top);
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->text(), "Zavřít");

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button, &leave);
  EXPECT_FALSE(hint->isVisible());
}

}  // namespace
}  // namespace controls
