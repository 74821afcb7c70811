// Pictures of one solid colour per state, so a test can tell from one pixel which state
// picture a control shows.
#pragma once

#include <QColor>
#include <QPixmap>

namespace controls::testing {

inline QPixmap Solid(QColor colour, int width = 20, int height = 12) {
  QPixmap picture(width, height);
  picture.fill(colour);
  return picture;
}

inline QColor Shown(const QPixmap& picture) {
  return picture.isNull() ? QColor() : QColor(picture.toImage().pixel(0, 0));
}

inline const QColor Normal{Qt::blue};
inline const QColor Pressed{Qt::red};
inline const QColor Hovered{Qt::green};
inline const QColor Blocked{Qt::gray};

}  // namespace controls::testing
