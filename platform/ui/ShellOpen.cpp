#include "ShellOpen.h"

#include <QProcess>
#include <QRegularExpression>

#include <utility>

namespace platform::ui {
namespace {

std::function<void(const QString&)>& Observer() {
  static std::function<void(const QString&)> observer;
  return observer;
}

// Catalogue links are often written without a scheme; xdg-open would take those for file names.
QString WithScheme(const QString& link) {
  static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
  return scheme.match(link).hasMatch() ? link : "http://" + link;
}

}  // namespace

void ShellOpen(const QString& link) {
  const QString trimmed = link.trimmed();
  if (trimmed.isEmpty()) return;
  const QString target = WithScheme(trimmed);
  if (Observer()) {
    Observer()(target);
    return;
  }
  QProcess::startDetached("xdg-open", {target});
}

void SetShellOpenObserver(std::function<void(const QString&)> observer) {
  Observer() = std::move(observer);
}

}  // namespace platform::ui
