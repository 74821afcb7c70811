// The SQL error a statement text raises when parsed, or an action raises, as the text after
// "SQL error - "; empty when there is none.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/query/sql/QueryStatement.h"
#include "engine/storage/EngineError.h"

namespace sklad::testing {

inline std::string SqlErrorText(const std::string& text) {
  TQueryStatement statement(0, 0);
  try {
    statement.Parse(text);
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), err::SqlError);
    const std::string prefix = "Sklad Engine Error # 11949 SQL error - ";
    const std::string message = e.what();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  }
  return "";
}

inline std::string SqlMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), err::SqlError) << e.what();
    const std::string prefix = "Sklad Engine Error # 11949 SQL error - ";
    const std::string message = e.what();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  }
  return "";
}

}  // namespace sklad::testing
