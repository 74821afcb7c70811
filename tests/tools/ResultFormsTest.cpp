// The pieces behind sql and export: splitting a script into statements, the width of text on a
// terminal, and each writer's handling of values the table data cannot easily hold.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "engine/storage/core/EngineError.h"
#include "tools/sklad/DisplayWidth.h"
#include "tools/sklad/ResultWriter.h"
#include "tools/sklad/ScriptStatements.h"

namespace sklad::testing {
namespace {

using tool::TCellKind;
using tool::TResultCell;

std::vector<std::string> Statements(const std::string& script) {
  tool::TScriptStatements statements(script);
  std::vector<std::string> all;
  while (const std::optional<std::string> next = statements.Next()) all.push_back(*next);
  return all;
}

TEST(ScriptStatements, SemicolonsEndStatementsOnlyOutsideQuotesNamesAndComments) {
  struct Case {
    std::string script;
    std::vector<std::string> statements;
  };
  const Case cases[] = {
      {"SELECT 1; SELECT 2", {"SELECT 1;", "SELECT 2"}},
      {"  SELECT 'a;b''c;' FROM t;\n", {"SELECT 'a;b''c;' FROM t;"}},
      {"SELECT \"x;y\", [a;b] FROM t /* ; */ WHERE 1 = 1;", {"SELECT \"x;y\", [a;b] FROM t /* ; */ WHERE 1 = 1;"}},
      {";; SELECT 1;;; /* only a comment */ ;", {"SELECT 1;"}},
      {"", {}},
      {"  \n /* nothing */ ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Statements(c.script), c.statements) << c.script;
}

TEST(ScriptStatements, AnUnterminatedTokenMakesTheRestOneStatementForTheEngine) {
  EXPECT_EQ(Statements("DELETE FROM t; SELECT * FROM t WHERE a = 'open; DELETE FROM t"),
            (std::vector<std::string>{"DELETE FROM t;", "SELECT * FROM t WHERE a = 'open; DELETE FROM t"}));
  EXPECT_EQ(Statements("SELECT [x; SELECT 1"), (std::vector<std::string>{"SELECT [x; SELECT 1"}));
}

TEST(DisplayWidth, CountsColumnsOnScreenNotBytes) {
  const std::pair<std::string, size_t> cases[] = {
      {"", 0},           {"abc", 3},          {"žluťoučký", 9},  {"中文", 4},
      {"e\xCC\x81", 1},  // e with a combining acute accent
      {"\xEF\xBC\xA1", 2},  // fullwidth A
      {"a\xFF" "b", 3},     // a malformed byte counts as one character
  };
  for (const auto& [text, width] : cases) EXPECT_EQ(tool::DisplayWidth(text), width) << text;
}

std::string Written(tool::TOutputForm form, const std::vector<std::string>& names,
                    const std::vector<std::vector<TResultCell>>& rows) {
  std::ostringstream out;
  const std::unique_ptr<tool::TResultWriter> writer = tool::MakeResultWriter(form, out);
  writer->Begin(names);
  for (const auto& row : rows) writer->Row(row);
  writer->End();
  return out.str();
}

// Values a stored record cannot always produce: an empty text apart from NULL, bytes, floats that
// are not finite, control characters.
const std::vector<std::vector<TResultCell>> kOddRows = {
    {{TCellKind::Text, ""}, {TCellKind::Null, ""}, {TCellKind::Binary, "00FF10"}},
    {{TCellKind::Text, "tab\there\x01"}, {TCellKind::Number, "inf"}, {TCellKind::Boolean, "False"}},
    {{TCellKind::Text, "中文"}, {TCellKind::Number, "-1.5E-7"}, {TCellKind::Binary, ""}},
};

TEST(ResultWriters, CsvQuotesOnlyWhatNeedsItAndKeepsEmptyTextApartFromNull) {
  EXPECT_EQ(Written(tool::TOutputForm::Csv, {"a", "b,c", "d"}, kOddRows),
            "a,\"b,c\",d\r\n"
            "\"\",,00FF10\r\n"
            "tab\there\x01,inf,False\r\n"
            "中文,-1.5E-7,\"\"\r\n");
}

TEST(ResultWriters, JsonGivesNumbersBooleansNullsAndStrings) {
  const std::string written = Written(tool::TOutputForm::Json, {"a", "b", "c"}, kOddRows);
  const nlohmann::json expected = nlohmann::json::parse(R"([
      {"a": "", "b": null, "c": "00FF10"},
      {"a": "tab\there\u0001", "b": "inf", "c": false},
      {"a": "中文", "b": -1.5e-7, "c": ""}])");
  EXPECT_EQ(nlohmann::json::parse(written), expected);
  EXPECT_EQ(Written(tool::TOutputForm::Json, {"a"}, {}), "[]\n");
}

TEST(ResultWriters, JsonNumbersKeepTheirDigits) {
  const std::vector<std::vector<TResultCell>> rows = {{{TCellKind::Number, "12.50"},
                                                       {TCellKind::Number, "-0"},
                                                       {TCellKind::Number, "1e+20"},
                                                       {TCellKind::Number, "0.30000000000000004"},
                                                       {TCellKind::Number, "-inf"}}};
  EXPECT_EQ(Written(tool::TOutputForm::Json, {"a", "b", "c", "d", "\"e\""}, rows),
            "[\n{\"a\":12.50,\"b\":-0,\"c\":1e+20,\"d\":0.30000000000000004,\"\\\"e\\\"\":\"-inf\"}\n]\n");
}

TEST(ResultWriters, AlignedTableEscapesControlCharactersAndRightAlignsNumbers) {
  EXPECT_EQ(Written(tool::TOutputForm::AlignedTable, {"a", "b", "c"}, kOddRows),
            "a             | b       | c\n"
            "--------------+---------+-------\n"
            "              |         | 00FF10\n"
            "tab\\there\\x01 |     inf | False\n"
            "中文          | -1.5E-7 |\n"
            "(3 rows)\n");
  EXPECT_EQ(Written(tool::TOutputForm::AlignedTable, {"n"}, {{{TCellKind::Number, "1"}}}),
            "n\n-\n1\n(1 row)\n");
}

TEST(ResultWriters, FormFollowsTheOptionsThenTheTerminal) {
  using tool::TOutputForm;
  struct Case {
    bool csv, json, terminal;
    TOutputForm expected;
  };
  const Case cases[] = {
      {false, false, true, TOutputForm::AlignedTable}, {false, false, false, TOutputForm::Csv},
      {true, false, true, TOutputForm::Csv},           {false, true, true, TOutputForm::Json},
      {false, true, false, TOutputForm::Json},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tool::ChooseOutputForm(c.csv, c.json, c.terminal, TOutputForm::AlignedTable), c.expected);
}

}  // namespace
}  // namespace sklad::testing
