#include "IniValues.h"

#include <charconv>

namespace rejstrik {

int StrToInt(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // from_chars takes a "-" but not a "+"; a "+" is allowed only directly before a digit.
  if (first != last && *first == '+' && first + 1 != last && first[1] != '-') ++first;
  int value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last)
    throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

QString DatabaseCaption(const platform::TProfileFile& ini, const std::string& section) {
  return QString::fromStdString(ini.ReadString(section, "d_caption", "Databáze"));
}

// A name without an extension is a table name in its own right; cutting at a "." that is not
// there would leave no name, and the database could never be opened.
std::string DatabaseTableName(const platform::TProfileFile& ini, const std::string& section) {
  const std::string fileName = ini.ReadString(section, "d_name", "");
  return fileName.substr(0, fileName.find('.'));
}

}  // namespace rejstrik
