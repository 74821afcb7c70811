// Random texts made of the language's own pieces: every parse ends in a tree or a clean engine
// error, never a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/query/expression/ExpressionParser.h"
#include "engine/storage/EngineError.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

const char* const kPieces[] = {
    "a", "name", "[my field]", "t.", ".", "*", "'x'", "'", "\"", "''", "#65", "#", "1", "2147483648", "1.5",
    "1E", "1e+5", ",", "(", ")", "=", "<", ">", "|", "+", "-", "/", "?", " ", "/*", "*/", "AND", "OR", "NOT",
    "LIKE", "BETWEEN", "IN", "IS", "NULL", "TRUE", "SELECT", "LOWER", "UPPER", "SUBSTRING", "FROM", "FOR",
    "REPLACE", "WITH", "POS", "OCCURS", "TRIM", "LEADING", "CAST", "AS", "CHAR", "DECIMAL", "BLOB", "EXTRACT",
    "YEAR", "IF", "THEN", "ELSE", "ROUND", "TO", "ABS", "SUM", "COUNT", "CURRENT_DATE", "\xE8", "\x01", "[",
};

TEST(ExpressionParserFuzz, RandomTextsParseOrFailCleanly) {
  std::mt19937 random(20261209);
  const int iterations = sklad::testing::Iterations(20000, 2000000);
  int parsed = 0;
  for (int i = 0; i < iterations; ++i) {
    std::string text;
    const int pieces = 1 + static_cast<int>(random() % 12);
    for (int p = 0; p < pieces; ++p) {
      text += kPieces[random() % std::size(kPieces)];
      if (random() % 2) text += ' ';
    }
    TExpressionParser parser;
    parser.SetErrorContext(10051, "T", "filter expression");
    parser.SetText(text);
    try {
      parser.NextToken();
      TExpTree tree = parser.ParseExpression(static_cast<TAllowances>(random() % 32));
      ASSERT_NE(tree, nullptr) << text;
      ++parsed;
    } catch (const ESkladEngineError& e) {
      ASSERT_EQ(e.Code(), 10051) << text;
    }
  }
  EXPECT_GT(parsed, iterations / 20);  // the generator reaches the grammar, not only its errors
}

}  // namespace
}  // namespace sklad
