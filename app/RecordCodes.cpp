#include "RecordCodes.h"

#include <QFontMetrics>

// Placeholder until the record presentation lands.
namespace rejstrik {

QString DecodeSystems(const QString& code) { return code; }
QString DecodeType(const QString& code) { return code; }
QString SectionName(const QString&, const std::string&) { return {}; }

const std::array<QString, 12>& SectionNames(int) {
  static const std::array<QString, 12> names;
  return names;
}

TShownText ShortenToWidth(const QString& text, const QFontMetrics&, int, int, const QString&) {
  return {text, {}};
}

}  // namespace rejstrik
