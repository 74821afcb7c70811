// The SQL error a statement text raises, as the text after "SQL error - "; empty when it parses.
#pragma once

#include <gtest/gtest.h>

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

}  // namespace sklad::testing
