// The SQL error a statement text or an action raises, as the text after "SQL error - ".
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/sql/QueryStatement.h"
#include "engine/storage/core/EngineError.h"

namespace sklad::testing {

// The message of the engine error an action raises (the text after "SQL error - " for 11949, the
// whole text for other codes); empty when it raises none.
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

// The error parsing the text raises; empty when it parses.
inline std::string SqlErrorText(const std::string& text) {
  TQueryStatement statement(0, 0);
  return SqlMessage([&] { statement.Parse(text); });
}

}  // namespace sklad::testing
