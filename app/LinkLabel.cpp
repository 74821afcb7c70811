#include "LinkLabel.h"

#include "SkinnedWindow.h"
#include "platform/ui/HandCursor.h"
#include "platform/ui/MessageBox.h"

#include <QMouseEvent>

#include <exception>

namespace rejstrik {

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {}

void TLinkLabel::SetLinkLook() {
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, colours::Maroon);
  setPalette(palette);
  setCursor(platform::ui::HandCursor());
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    Run(FOnClick);
}

void TLinkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Run(FOnDblClick);
}

void TLinkLabel::Run(const controls::TNotifyEvent& handler) {
  if (!handler) return;
  try {
    handler(this);
  } catch (const std::exception& error) {
    platform::ui::ReportException(error);
  }
}

}  // namespace rejstrik
