// Every message box of the program goes through ShowMessageBox, so tests can watch them
// instead of blocking on a modal window.
#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace platform::ui {

enum class TMessageKind { Information, Warning, Error };

struct TMessageBoxCall {
  QString Caption;
  QString Text;
  TMessageKind Kind;
};

// Shows a modal message box with an OK button, or hands the call to the observer if one is set.
void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text,
                    TMessageKind kind);

// The program's report of an error nobody handled: a message box with the exception's text,
// captioned with the application's title.
void ReportException(const std::exception& error);

// While an observer is set, message boxes are passed to it and not shown; an empty function
// restores the real boxes.
void SetMessageBoxObserver(std::function<void(const TMessageBoxCall&)> observer);

}  // namespace platform::ui
