// The desktop's "open" of a web link or a mailto: address, as the user's browser or mail
// program handles it.
#pragma once

#include <QString>

namespace platform::ui {

// Hands the link to the desktop (xdg-open on Linux) as one argument, never through a shell.
// A link the desktop cannot open is ignored, as the program reports nothing back.
void ShellOpen(const QString& link);

}  // namespace platform::ui
