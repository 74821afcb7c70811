#include "SkinnedWindow.h"

#include "controls/Klapka.h"
#include "controls/Skin.h"
#include "platform/ui/MinimizeApplication.h"
#include "platform/ui/ScreenMetrics.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace rejstrik {

QLabel* MakeSkinnedWindow(QWidget* window, QWidget* client, int width, int height,
                          const QString& background, const QString& caption) {
  window->setWindowFlag(Qt::FramelessWindowHint);
  window->setWindowTitle(caption);
  window->setFixedSize(width, height);
  client->setFixedSize(width, height);
  window->setFont(ProgramFont(11));
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, colours::Teal);
  window->setPalette(palette);
  auto* picture = new QLabel(client);
  picture->setObjectName("Image1");
  picture->setPixmap(controls::SkinPicture(background));
  picture->setGeometry(0, 0, width, height);
  CenterOnScreen(window);
  return picture;
}

void CenterOnScreen(QWidget* window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

void CenterOnWindow(QWidget* window, const QWidget* other) {
  QRect frame = window->frameGeometry();
  frame.moveCenter(other->frameGeometry().center());
  window->move(frame.topLeft());
}

void FitToSmallScreen(QWidget* window) {
  if (platform::ui::ScreenHeight() > 480) return;
  window->setMinimumSize(0, 0);
  window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window->setWindowFlag(Qt::FramelessWindowHint, false);
  window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

controls::TKlapka* MinimizeButton(QWidget* window, int left, int top) {
  controls::TKlapka* button =
      controls::SkinButton(window, "minimalizovat", left, top, "Minimalizovat");
  button->SetOnClick([](QObject*) { platform::ui::MinimizeApplication(); });
  return button;
}

controls::TKlapka* CloseButton(QWidget* window, int left, int top) {
  controls::TKlapka* button = controls::SkinButton(window, "zavrit", left, top, "Zavřít");
  button->SetOnClick([window = window->window()](QObject*) { window->close(); });
  return button;
}

QFont ProgramFont(int pixelSize, bool bold) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text, QColor colour,
                  const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace rejstrik
