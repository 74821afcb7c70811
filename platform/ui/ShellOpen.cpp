#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform::ui {

void ShellOpen(const QString& link) {
  // Catalogue links are often written without a scheme ("www.example.cz").
  const QUrl url = QUrl::fromUserInput(link.trimmed());
  if (url.isValid()) QDesktopServices::openUrl(url);
}

}  // namespace platform::ui
