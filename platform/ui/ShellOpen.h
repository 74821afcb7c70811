// The desktop's "open" of a web link or a mailto: address, as the user's browser or mail
// program handles it.
#pragma once

#include <QString>

#include <functional>

namespace platform::ui {

// Hands the link whole, of any length, to xdg-open as its one argument, never through a shell.
// A link without a scheme ("www.example.cz") is opened as http://. A link the desktop cannot
// open is ignored, as the program reports nothing back.
void ShellOpen(const QString& link);

// While an observer is set, the text that would go to xdg-open is passed to it instead and
// nothing is started; an empty function restores the real opening.
void SetShellOpenObserver(std::function<void(const QString&)> observer);

}  // namespace platform::ui
