#include "engine/storage/core/EngineError.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace sklad {
namespace {

ESkladEngineError Raised(uint16_t code, std::string table = {}, std::string field = {}, std::string extra = {},
                         std::string index = {}) {
  try {
    RaiseEngineError(code, table, field, extra, index);
  } catch (const ESkladEngineError& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was raised";
  return ESkladEngineError(code);
}

struct MessageCase {
  uint16_t code;
  const char* expected;
};

// Every kind of slot order in the table, with distinct context values.
TEST(EngineError, FillsEachTemplateFromTheContextInOrder) {
  const MessageCase cases[] = {
      {8705, "Beginning of file encountered in table 'T'"},
      {9729, "Duplicate key found in index 'I' of table 'T'"},
      {9730, "The value for the field 'F' in table 'T' is below the minimum allowable value"},
      {10023, "Invalid field number 'F' specified in index 'I' for table 'T'"},
      {10051, "Filter error for table 'T' - X"},
      {11949, "SQL error - X"},
      {11016, "There is insufficient operating system memory available for the current operation"},
      {10758, "Engine not initialized"},
      {15878, "The language driver for table 'T' is not available or installed"},
      {12345, "Unknown error occurred with table 'T'"},
  };
  for (const MessageCase& c : cases) {
    const ESkladEngineError e = Raised(c.code, "T", "F", "X", "I");
    EXPECT_EQ(e.Code(), c.code);
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].Code, c.code);
    EXPECT_EQ(e.Errors()[0].Message, c.expected);
    EXPECT_EQ(std::string(e.what()), "Sklad Engine Error # " + std::to_string(c.code) + " " + c.expected);
  }
}

TEST(EngineError, EveryCodeOfTheTableHasItsOwnTemplate) {
  const uint16_t codes[] = {8705, 8706, 8708, 8709, 8710, 8711, 8961, 8962, 8963, 8965, 9217, 9218, 9220,
                            9221, 9477, 9479, 9482, 9487, 9492, 9494, 9498, 9729, 9730, 9731, 9732, 9985,
                            9993, 9998, 10000, 10006, 10010, 10015, 10022, 10023, 10026, 10027, 10029, 10030,
                            10031, 10038, 10050, 10051, 10055, 10241, 10242, 10249, 10253, 10258, 10498,
                            10753, 10758, 11010, 11012, 11013, 11014, 11016, 11017, 11023, 11025, 11047,
                            11949, 12035, 12292, 13060, 15878};
  const std::string_view unknown = EngineErrorTemplate(1);
  for (uint16_t code : codes) {
    EXPECT_NE(EngineErrorTemplate(code), unknown) << code;
    const std::string message = Raised(code, "tbl", "fld", "extra", "idx").what();
    EXPECT_EQ(message.find("%s"), std::string::npos) << message;
  }
}

TEST(EngineError, LongContextIsCutButPrefixAndCodeStay) {
  const std::string table(300, 'x');
  const ESkladEngineError e = Raised(9217, table);
  const std::string prefix = "Sklad Engine Error # 9217 Error reading from table '";
  const std::string message = e.what();
  EXPECT_EQ(message.substr(0, prefix.size()), prefix);
  EXPECT_EQ(e.Errors()[0].Message.size(), 254u);
  EXPECT_EQ(message.size(), std::string("Sklad Engine Error # 9217 ").size() + 254);
}

TEST(EngineError, ContextTextsArePrintedLiterally) {
  const ESkladEngineError e = Raised(10051, "%s%n", "", "LIKE '%s%n%S' - %d");
  EXPECT_STREQ(e.what(), "Sklad Engine Error # 10051 Filter error for table '%s%n' - LIKE '%s%n%S' - %d");
  EXPECT_STREQ(Raised(4242, "%S%s").what(), "Sklad Engine Error # 4242 Unknown error occurred with table '%S%s'");
}

TEST(EngineError, ErrorBuiltFromCodeUsesTheLastRecordedContext) {
  Raised(8706, "Catalogue");
  EXPECT_STREQ(ESkladEngineError(8709).what(), "Sklad Engine Error # 8709 No current record in table 'Catalogue'");
  EXPECT_EQ(EngineErrorText(8710), "Record not found in table 'Catalogue'");
}

// Threads raising at once each get the message of their own context.
TEST(EngineError, ConcurrentRaisesKeepTheirOwnContext) {
  auto raiseMany = [](std::string table, int& mismatches) {
    for (int i = 0; i < 2000; ++i) {
      const std::string message = Raised(8709, table).what();
      if (message != "Sklad Engine Error # 8709 No current record in table '" + table + "'") ++mismatches;
    }
  };
  int mismatchesA = 0, mismatchesB = 0;
  std::thread a(raiseMany, "alpha", std::ref(mismatchesA));
  std::thread b(raiseMany, "beta", std::ref(mismatchesB));
  a.join();
  b.join();
  EXPECT_EQ(mismatchesA + mismatchesB, 0);
}

}  // namespace
}  // namespace sklad
