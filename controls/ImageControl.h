// A picture control: shows one image, takes the image's size, raises its click event when the
// left button is released over it, and carries the Tag and Hint data the windows keep in it.
#pragma once

#include "ClickHandler.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace controls {

class TImageControl : public QWidget {
 public:
  explicit TImageControl(QWidget* parent);

  // The displayed image; the control resizes to it.
  const QPixmap& Picture() const { return FPicture; }
  void SetPicture(const QPixmap& picture);

  // The click handler; an empty one means none is attached.
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  bool HasOnClick() const { return static_cast<bool>(FOnClick); }

  int Tag() const { return FTag; }
  void SetTag(int tag) { FTag = tag; }

  // Data text of the control; shown as a hint only when ShowHint is on.
  const QString& Hint() const { return FHint; }
  void SetHint(const QString& hint);
  void SetShowHint(bool show);

  // Runs the click handler if one is attached; errors it raises go to the program's report.
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void UpdateToolTip();

  QPixmap FPicture;
  TNotifyEvent FOnClick;
  int FTag = 0;
  QString FHint;
  bool FShowHint = false;
  bool FPressed = false;
};

}  // namespace controls
