// How a catalogue record's codes read in the detail pane: the systems and type codes decoded
// into Czech text, the section number as the name of the database's label set, and texts too
// wide for their place shortened with the full text kept for the hint.
#pragma once

#include <QString>

#include <array>
#include <string>

class QFontMetrics;

namespace rejstrik {

// "1" positions of the system code joined by ", " (DOS .. Linux); a code that does not start
// with 0 or 1 reads as itself.
QString DecodeSystems(const QString& code);
// The letter's text, or the "1" positions of the type code (demo .. plná verze); a longer code
// that does not start with 0 or 1 reads as itself.
QString DecodeType(const QString& code);

// The name of section number r in label set "1" or "2"; empty for any other value.
QString SectionName(const QString& section, const std::string& labelSet);
// The twelve section captions of a label set (1 or 2), section 1 first; empty ones for any other.
const std::array<QString, 12>& SectionNames(int labelSet);

// A detail text as shown: when wider than maxWidth in the font, its first keep characters and
// the suffix, with the full text as hint; otherwise the text itself and no hint.
struct TShownText {
  QString Text;
  QString Hint;  // empty when the text is shown whole
};
TShownText ShortenToWidth(const QString& text, const QFontMetrics& metrics, int maxWidth,
                          int keep, const QString& suffix);

}  // namespace rejstrik
