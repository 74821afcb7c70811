// What every window of the program shares: no frame, a fixed client size, the background
// picture of the skin, the program's fonts and a place in the middle of the screen.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace controls {
class TKlapka;
}

namespace rejstrik {

// Makes the widget a borderless window of the given client size with the skin picture as its
// background (returned: the picture control) and the caption as its window title. The client
// area is the window itself or, for a window that can scroll, the widget inside its scroll area.
QLabel* MakeSkinnedWindow(QWidget* window, QWidget* client, int width, int height,
                          const QString& background, const QString& caption);

// Places the window in the middle of the screen, or of another window.
void CenterOnScreen(QWidget* window);
void CenterOnWindow(QWidget* window, const QWidget* other);

// On a screen 480 pixels high or less the window gets a sizeable border and scroll bars and
// is maximised, so all of it can be reached.
void FitToSmallScreen(QWidget* window);

// The title-bar buttons: minimise the program, close the window.
controls::TKlapka* MinimizeButton(QWidget* window, int left, int top);
controls::TKlapka* CloseButton(QWidget* window, int left, int top);

// The program's text font at a pixel size, bold or not.
QFont ProgramFont(int pixelSize, bool bold = false);

// A label at the position, in the font and colour given, sized to its text.
QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text, QColor colour,
                  const QFont& font);

// Colours of the skin's texts.
namespace colours {
inline const QColor Teal{0x0f, 0x71, 0x73};
inline const QColor DetailRed{0xd6, 0x29, 0x31};
inline const QColor SectionGrey{0x4e, 0x4e, 0x4e};
inline const QColor TextGrey{0x4d, 0x4d, 0x4d};
inline const QColor Maroon{0x80, 0x00, 0x00};
inline const QColor TitleBackground{0x79, 0x72, 0x73};
inline const QColor Silver{0xe0, 0xe0, 0xe4};
}  // namespace colours

}  // namespace rejstrik
