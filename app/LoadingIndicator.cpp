#include "LoadingIndicator.h"

#include "SkinnedWindow.h"

#include <QApplication>
#include <QLabel>

namespace rejstrik {
namespace {

// Tall enough for its text: a strip of 10 pixels would cut the 13-pixel line written at y = 3.
constexpr int Width = 200;
constexpr int Height = 20;
// The detail labels' red (3221974, stored blue-green-red).
const QColor StripColour{0xd6, 0x29, 0x31};

}  // namespace

TLoadingIndicator::TLoadingIndicator() = default;
TLoadingIndicator::~TLoadingIndicator() = default;

void TLoadingIndicator::Show() {
  auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint | Qt::Tool);
  window->setObjectName("FormX");
  window->setAttribute(Qt::WA_QuitOnClose, false);
  window->setFixedSize(Width, Height);
  window->setAutoFillBackground(true);
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, StripColour);
  window->setPalette(palette);
  window->setCursor(Qt::ArrowCursor);

  auto* text = new QLabel(QString::fromUtf8("načítám data..."), window.get());
  text->setFont(ProgramFont(13));
  QPalette textPalette = text->palette();
  textPalette.setColor(QPalette::WindowText, Qt::white);
  text->setPalette(textPalette);
  text->move(40, 3);
  text->adjustSize();

  CenterOnScreen(window.get());
  window->show();
  // The first open keeps the event loop busy; paint the strip before it starts.
  window->repaint();
  FWindow = std::move(window);
  ++FShowCount;
}

void TLoadingIndicator::Close() { FWindow.reset(); }

}  // namespace rejstrik
