#include "WaitCursor.h"

#include <QApplication>

namespace rejstrik {

TWaitCursor::~TWaitCursor() { Restore(); }

void TWaitCursor::Show() {
  if (FShown) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FShown = true;
}

void TWaitCursor::Restore() {
  if (!FShown) return;
  QApplication::restoreOverrideCursor();
  FShown = false;
}

}  // namespace rejstrik
