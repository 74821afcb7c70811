#include "RecordCodes.h"

#include <QFontMetrics>

namespace rejstrik {
namespace {

const std::array<QString, 7> SystemTexts = {"DOS",      "Win 3.x", "Win 9x/ME", "Win NT",
                                            "Win 2000", "Win XP",  "Linux"};
const std::array<QString, 5> TypeTexts = {"demo", "shareware", "freeware", "trial", "plná verze"};

struct TLetterType {
  QChar Letter;
  QString Text;
};
const std::array<TLetterType, 10> LetterTypes = {{
    {'A', "ostatní"},
    {'C', "článek/dokument/informace"},
    {'F', "off-line ukázka webu"},
    {'G', "prezentace"},
    {'K', "knihy"},
    {'M', "srovnávací testy"},
    {'N', "návod/recenze s programem"},
    {'O', "ovladače"},
    {'R', "rubrika"},
    {'X', "stříbrné disky"},
}};

constexpr const char* OtherSection = "Ostatní";
constexpr int OtherSectionNumber = 99;

bool StartsWithBinaryDigit(const QString& code) { return code[0] == '0' || code[0] == '1'; }

bool IsSet(const QString& code, qsizetype position) {
  return position < code.size() && code[position] == '1';
}

void AppendListed(QString& list, const QString& text) {
  if (!list.isEmpty()) list += ", ";
  list += text;
}

}  // namespace

QString DecodeSystems(const QString& code) {
  if (code.isEmpty()) return {};
  if (!StartsWithBinaryDigit(code)) return code;
  QString systems;
  for (qsizetype position = 0; position < qsizetype(SystemTexts.size()); ++position)
    if (IsSet(code, position)) AppendListed(systems, SystemTexts[position]);
  return systems;
}

QString DecodeType(const QString& code) {
  if (code.isEmpty()) return {};
  if (!StartsWithBinaryDigit(code)) {
    // A longer code that is neither a bit list nor one letter is shown as it stands.
    if (code.size() > 1) return code;
    for (const TLetterType& type : LetterTypes)
      if (type.Letter == code[0]) return type.Text;
    return {};
  }
  QString types;
  for (qsizetype position = 0; position < qsizetype(TypeTexts.size()); ++position)
    if (IsSet(code, position)) AppendListed(types, TypeTexts[position]);
  return types;
}

const std::array<QString, 12>& SectionNames(int labelSet) {
  static const std::array<QString, 12> set1 = {
      "Téma měsíce",      "Zkuste si sami",     "Shareware",          "Od našich čtenářů",
      "Prezentace firem", "Ze světa internetu", "Kvel Plus",          "Servis",
      "Obsahy",           "Z redakce",          "Pro chvíle oddechu", "Bonus Kvel CD"};
  static const std::array<QString, 12> set2 = {
      "C/C++ & Visual C++", "Delphi", "Linux",          "Freesoft", "Mac OS",     "Visual Basic",
      "Ovladače",           "Návody", "Stříbrné disky", "Knihy",    OtherSection, "Druhá CD"};
  static const std::array<QString, 12> none;
  return labelSet == 1 ? set1 : labelSet == 2 ? set2 : none;
}

QString SectionName(const QString& section, const std::string& labelSet) {
  if (labelSet != "1" && labelSet != "2") return {};
  if (section == QString::number(OtherSectionNumber)) return OtherSection;
  // Section 11 has no name in set 2, although its toggle there is captioned "Ostatní".
  const bool set2 = labelSet == "2";
  const auto& names = SectionNames(set2 ? 2 : 1);
  for (int number = 1; number <= int(names.size()); ++number)
    if (section == QString::number(number))
      return set2 && number == 11 ? QString() : names[number - 1];
  return {};
}

TShownText ShortenToWidth(const QString& text, const QFontMetrics& metrics, int maxWidth, int keep,
                          const QString& suffix) {
  if (metrics.horizontalAdvance(text) <= maxWidth) return {text, {}};
  qsizetype kept = keep;
  // A character outside the basic plane is two code units; it is kept whole.
  if (kept > 0 && kept < text.size() && text[kept].isLowSurrogate()) ++kept;
  return {text.left(kept) + suffix, text};
}

}  // namespace rejstrik
