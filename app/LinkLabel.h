// A label the user can click or double-click, such as a web link or a hidden hot spot.
#pragma once

#include "controls/ClickHandler.h"

#include <QLabel>

namespace rejstrik {

class TLinkLabel : public QLabel {
 public:
  explicit TLinkLabel(QWidget* parent);

  // Shows the text as a link: maroon, underlined, with the hand cursor.
  void SetLinkLook();

  void SetOnClick(controls::TNotifyEvent handler) { FOnClick = std::move(handler); }
  void SetOnDblClick(controls::TNotifyEvent handler) { FOnDblClick = std::move(handler); }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Runs a handler; errors it raises go to the program's report.
  void Run(const controls::TNotifyEvent& handler);

  controls::TNotifyEvent FOnClick;
  controls::TNotifyEvent FOnDblClick;
};

}  // namespace rejstrik
