#include "MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <utility>

namespace platform::ui {
namespace {

std::function<void(const TMessageBoxCall&)>& Observer() {
  static std::function<void(const TMessageBoxCall&)> observer;
  return observer;
}

QMessageBox::Icon IconOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Information: return QMessageBox::Information;
    case TMessageKind::Warning: return QMessageBox::Warning;
    case TMessageKind::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text,
                    TMessageKind kind) {
  if (Observer()) {
    Observer()({caption, text, kind});
    return;
  }
  QMessageBox box(IconOf(kind), caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void ReportException(const std::exception& error) {
  ShowMessageBox(nullptr, QGuiApplication::applicationDisplayName(),
                 QString::fromUtf8(error.what()), TMessageKind::Error);
}

void SetMessageBoxObserver(std::function<void(const TMessageBoxCall&)> observer) {
  Observer() = std::move(observer);
}

}  // namespace platform::ui
