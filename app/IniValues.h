// Reading the values of rocnik.ini that the windows need, with their defaults and conversions.
#pragma once

#include "platform/ProfileFile.h"

#include <QString>

#include <stdexcept>
#include <string>

namespace rejstrik {

// A text that should be a decimal integer but is not; its message names the text.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The decimal integer of the text (optional sign, then digits, nothing else); raises
// EConvertError for anything else, including numbers out of the 32-bit range.
int StrToInt(const std::string& text);

// The database's title (key d_caption, default "Databáze").
QString DatabaseCaption(const platform::TProfileFile& ini, const std::string& section);

// The table name from the key d_name: the text before the first ".", the whole value when it
// has none.
std::string DatabaseTableName(const platform::TProfileFile& ini, const std::string& section);

}  // namespace rejstrik
