// The statement errors: engine error 11949 "SQL error - %s" with the message, and the messages
// several planning steps share.
#pragma once

#include <string>
#include <string_view>

#include "engine/storage/core/EngineError.h"

namespace sklad {

[[noreturn]] inline void RaiseSql(const std::string& message) {
  RaiseEngineError(err::SqlError, {}, {}, message);
}

// "Invalid column name 'c' or table correlation name 't' specified in <where>"
inline std::string InvalidColumn(const std::string& column, const std::string& correlation, std::string_view where) {
  return "Invalid column name '" + column + "' or table correlation name '" + correlation + "' specified in " +
         std::string(where);
}

// "Invalid column number 'n' specified in <where>"
inline std::string InvalidNumber(std::string_view number, std::string_view where) {
  return "Invalid column number '" + std::string(number) + "' specified in " + std::string(where);
}

inline std::string InvalidNumber(int number, std::string_view where) {
  return InvalidNumber(std::to_string(number), where);
}

}  // namespace sklad
