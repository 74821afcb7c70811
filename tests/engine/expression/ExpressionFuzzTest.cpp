// Random texts made of the language's own pieces, parsed, bound and evaluated: every step ends in
// a result or a clean engine error, never a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TestTable.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

const char* const kPieces[] = {
    "a", "name", "[my field]", "t.", ".", "*", "'x'", "'", "\"", "''", "#65", "#", "1", "2147483648", "1.5",
    "1E", "1e+5", ",", "(", ")", "=", "<", ">", "|", "+", "-", "/", "?", " ", "/*", "*/", "AND", "OR", "NOT",
    "LIKE", "BETWEEN", "IN", "IS", "NULL", "TRUE", "SELECT", "LOWER", "UPPER", "SUBSTRING", "FROM", "FOR",
    "REPLACE", "WITH", "POS", "OCCURS", "TRIM", "LEADING", "CAST", "AS", "CHAR", "DECIMAL", "BLOB", "EXTRACT",
    "YEAR", "IF", "THEN", "ELSE", "ROUND", "TO", "ABS", "SUM", "COUNT", "CURRENT_DATE", "\xE8", "\x01", "[",
    "p", "r", "i", "s", "d", "t", "ts", "img", "m", "f", "flag", "popis", "'2024-01-01'", "'10:00'", "0", "-1", "'%a_'", "'a*'",
    "DATE", "INTEGER", "CHAR(3)", "DECIMAL(5,2)", "TIMESTAMP", "BOOLEAN", "'TRUE'", "'1,5'", "32767",
};

TEST(ExpressionFuzz, RandomTextsParseBindAndEvaluateOrFailCleanly) {
  std::mt19937 random(20261209);
  const int iterations = sklad::testing::Iterations(20000, 2000000);
  sklad::testing::TestTable table = sklad::testing::StandardTable();
  const sklad::testing::TestRecord records[] = {
      table.Record({"abc", "1/", "3", "kod", "7", "-3", "2.5", "12.34", "738886", "36000000", "63842702400000",
                    "TRUE", "x", "y"}),
      table.Record({}),
  };
  int parsed = 0, evaluated = 0;
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
      TExpTree tree = parser.ParseExpression(static_cast<TAllowances>(random() % 32) & ~AllowSubSelects);
      ASSERT_NE(tree, nullptr) << text;
      ++parsed;
      TExpToken* root = tree.get();
      TExpressionBinder(10051, "T", "filter expression", table).Bind(root, random() % 2);
      if (root != tree.get()) {
        tree.release();
        tree.reset(root);
      }
      const TPrepareOptions options{random() % 2 == 0, random() % 2 == 0, static_cast<uint16_t>(random() % 2 ? 1029 : 0), 0};
      TExpTree prepared = PrepareForEvaluation(*tree, options);
      TEvaluationContext context{options.Language, options.Sort, &table};
      for (const auto& record : records) Evaluate(*prepared, reinterpret_cast<const uint8_t*>(&record), context);
      ++evaluated;
    } catch (const ESkladEngineError& e) {
      // Filter errors, and a text that does not convert to the type a CAST asks for.
      ASSERT_TRUE(e.Code() == 10051 || e.Code() == err::InvalidConversion) << text << ": " << e.what();
    }
  }
  // The generator reaches the grammar and the evaluator, not only their errors.
  EXPECT_GT(parsed, iterations / 20);
  EXPECT_GT(evaluated, iterations / 100);
}

}  // namespace
}  // namespace sklad
