#include "engine/expression/ExpressionParser.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

constexpr TAllowances kFilter = AllowExtendedPredicates;
constexpr TAllowances kSelectList = AllowAggregates | AllowAllColumns | AllowExtendedPredicates;
constexpr TAllowances kWhere = AllowExtendedPredicates | AllowParameters | AllowSubSelects;

std::string DumpNode(const TExpToken* node);

// A tree written as nested lists: (operator operands...), columns by name, constants as typed
// literals ('text', i5, f1.5, b1, null, ?); the items of a list (IN lists, BETWEEN bounds,
// function and data type arguments) follow the first one after commas.
std::string Dump(const TExpToken* node) {
  if (!node) return "";
  return DumpNode(node) + (node->Next ? "," + Dump(node->Next) : "");
}

std::string DumpNode(const TExpToken* node) {
  switch (node->Kind) {
    case TNodeKind::Column:
      return node->CorrelationName.empty() ? node->ColumnName : node->CorrelationName + ":" + node->ColumnName;
    case TNodeKind::Constant:
      if (node->IsParameter) return "?";
      if (node->IsNull) return "null";
      switch (static_cast<TFieldType>(node->ValueType)) {
        case TFieldType::String: return "'" + std::string(node->Text()) + "'";
        case TFieldType::Integer: return "i" + std::to_string(node->As<int32_t>());
        case TFieldType::Float: {
          std::string text = std::to_string(node->As<double>());
          text.erase(text.find_last_not_of('0') + 1);
          return "f" + text;
        }
        case TFieldType::Boolean: return "b" + std::to_string(node->As<int16_t>());
        default: return "?" + node->SourceText;
      }
    case TNodeKind::SubSelect:
      return "select";
    default: {
      std::string out = "(" + node->SourceText;
      for (const TExpToken* operand : {node->First, node->Second, node->Third})
        if (operand) out += " " + Dump(operand);
      return out + ")";
    }
  }
}

struct Parsed {
  std::string tree;   // the dump, or empty after an error
  std::string error;  // the engine message, or empty
  int stoppedAt = 0;  // the kind of the token the parse stopped at
};

Parsed Parse(const std::string& text, TAllowances allowances = kFilter) {
  TExpressionParser parser;
  parser.SetErrorContext(10051, "T", "filter expression");
  parser.SetText(text);
  try {
    parser.NextToken();
    TExpTree tree = parser.ParseExpression(allowances);
    return {Dump(tree.get()), "", parser.Kind()};
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), 10051);
    const std::string prefix = "Sklad Engine Error # 10051 Filter error for table 'T' - ";
    const std::string message = e.what();
    EXPECT_EQ(message.substr(0, prefix.size()), prefix);
    return {"", message.substr(prefix.size()), 0};
  }
}

struct TreeCase {
  const char* text;
  const char* tree;
};

TEST(ExpressionParser, BuildsTreesWithTheGrammarsPrecedence) {
  const TreeCase cases[] = {
      {"a = 1 OR b = 2 AND NOT c = 3", "(OR (= a i1) (AND (= b i2) (NOT (= c i3))))"},
      {"a + b * c - d / 2", "(- (+ a (* b c)) (/ d i2))"},
      {"x < > 1", "(< > x i1)"},
      {"x <> 1", "(<> x i1)"},
      {"x <= 1", "(<= x i1)"},
      {"x >= 1", "(>= x i1)"},
      {"x | | y", "(|| x y)"},
      {"x || y", "(|| x y)"},
      {"-5", "(- i5)"},
      {"+x", "(+ x)"},
      {"(a OR b) AND c", "(AND (OR a b) c)"},
      {"/* a */ x /* b */ = 1", "(= x i1)"},
      {"'It''s'", "'It's'"},
      {"\"a\"\"b\"", "'a\"b'"},
      {"'a''''b'", "'a'b'"},
      {"''", "null"},
      {"NULL", "null"},
      {"TRUE AND false", "(AND b1 b0)"},
      {"2147483647", "i2147483647"},
      {"2147483648", "f2147483648."},
      {"1.5E2", "f150."},
      {".5", "f0.5"},
      {"#65 = 'A'", "(= 'A' 'A')"},
      {"x IS NULL", "(IS NULL x null)"},
      {"x is not null", "(is not null x null)"},
      {"x LIKE 'a%'", "(LIKE x 'a%')"},
      {"x NOT LIKE 'a%'", "(NOT LIKE x 'a%')"},
      {"[my table].[my field] = \"t\".name", "(= my table:my field t:name)"},
      {"[c:\\data\\cust.dat].name", "cust:name"},
      {"UPPER(name) = LOWER('X')", "(= (UPPER name) (LOWER 'X'))"},
      {"SUBSTRING(p FROM 1 FOR 2) = '2/'", "(= (SUBSTRING p i1,i2) '2/')"},
      {"POS('a' IN name)", "(POS name 'a')"},
      {"REPLACE('a' WITH 'b' IN name)", "(REPLACE name 'a','b')"},
      {"TRIM(LEADING ' ' FROM name)", "(TRIM name ' ')"},
      {"EXTRACT(YEAR FROM d)", "(EXTRACT d)"},
      {"IF(a = 1 THEN 'x' ELSE 'y')", "(IF (= a i1) 'x' 'y')"},
      {"ROUND(x TO 2)", "(ROUND x i2)"},
      {"ABS(-x)", "(ABS (- x))"},
  };
  for (const TreeCase& c : cases) {
    const Parsed parsed = Parse(c.text);
    EXPECT_EQ(parsed.error, "") << c.text;
    EXPECT_EQ(parsed.tree, c.tree) << c.text;
    EXPECT_EQ(parsed.stoppedAt, 0) << c.text;
  }
}

TEST(ExpressionParser, PredicateOperandsHangAsChains) {
  TExpressionParser parser;
  parser.SetErrorContext(10051, "T", "filter expression");
  parser.SetText("x NOT IN (1, 'b', y) AND z BETWEEN 1 AND 5");
  parser.NextToken();
  TExpTree tree = parser.ParseExpression(kFilter);
  const TExpToken* in = tree->First;
  EXPECT_EQ(in->Operator, TOperator::NotIn);
  EXPECT_EQ(Dump(in->Second), "i1,'b',y");
  const TExpToken* between = tree->Second;
  EXPECT_EQ(between->Operator, TOperator::Between);
  EXPECT_EQ(Dump(between->First), "z");
  EXPECT_EQ(Dump(between->Second), "i1,i5");
  EXPECT_EQ(between->ValueType, static_cast<uint8_t>(TFieldType::Boolean));
}

TEST(ExpressionParser, LeavesASecondComparisonToTheCaller) {
  const Parsed parsed = Parse("a = b = c");
  EXPECT_EQ(parsed.tree, "(= a b)");
  EXPECT_EQ(parsed.stoppedAt, '=');
}

TEST(ExpressionParser, ReadsNumbersWithTheLocalesDecimalSeparator) {
  TLocaleScope czech(1029, 0);
  EXPECT_EQ(Parse("1,5").tree, "f1.5");
  const Parsed dotInCzech = Parse("1.5");
  EXPECT_EQ(dotInCzech.tree, "i1");
  EXPECT_EQ(dotInCzech.stoppedAt, '.');
}

struct ErrorCase {
  const char* text;
  TAllowances allowances;
  const char* message;
};

TEST(ExpressionParser, ReportsEachFaultWithItsMessage) {
  const ErrorCase cases[] = {
      {"/* a", kFilter, "Missing ending comment slash and asterisk in filter expression"},
      {"x = 'abc", kFilter, "Missing single quote after 'abc' in filter expression"},
      {"x = \"ab", kFilter, "Missing double quote after 'ab' in filter expression"},
      {"[abc", kFilter, "Missing right bracket after 'abc' in filter expression"},
      {"- -5", kFilter, "Unknown or unexpected symbol '-' found in filter expression"},
      {"x = )", kFilter, "Unknown or unexpected symbol ')' found in filter expression"},
      {"x = 1E", kFilter, "Constant '1E' is not a valid number  in filter expression"},
      {"#256", kFilter, "Character constants (#) must be within the range of 0 to 255 in filter expression"},
      {"# = 'a'", kFilter, "Character constants (#) must be within the range of 0 to 255 in filter expression"},
      {"SUBSTRING(p FROM 1+1 FOR 2)", kFilter,
       "Right parentheses expected after SUBSTRING function arguments, instead found '+' in filter expression"},
      {"SUBSTRING(p, 1)", kFilter,
       "FROM keyword expected after first SUBSTRING function argument, instead found ',' in filter expression"},
      {"LOWER x", kFilter, "Left parentheses expectedafter LOWER keyword, instead found 'x' in filter expression"},
      {"LOWER(x", kFilter,
       "Right parentheses expected after LOWER function argument, instead found '' in filter expression"},
      {"POS x", kFilter, "Left parentheses expected after POS keyword, instead found 'x' in filter expression"},
      {"TRIM(x FROM y)", kFilter,
       "LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found 'x' in filter expression"},
      {"CAST(x AS BLOBBY)", kFilter, "SQL data type keyword expected, instead found 'BLOBBY' in filter expression"},
      {"CAST(x AS DECIMAL(5 2))", kFilter,
       "Comma expected after first DECIMAL argument, instead found '2' in filter expression"},
      {"CAST(x AS CHAR 5)", kFilter,
       "Left parentheses expected after CHARACTER or CHAR data type, instead found '5' in filter expression"},
      {"CAST(x AS BYTES(5,)", kFilter,
       "Right parentheses expected after CHARACTER data type arguments, instead found ',' in filter expression"},
      {"foo(1)", kFilter, "Unknown or unexpected function 'foo' found in filter expression"},
      {"t.+", kFilter,
       "Symbol or string expression expected after table correlation name separator '.', instead found '+' in "
       "filter expression"},
      {"t.*", kFilter, "* (all columns) symbol is not allowed in filter expression"},
      {"x = ?", kFilter, "Parameters are not allowed in filter expression"},
      {"(a = 1", kFilter, "Right parentheses expected, instead found '' in filter expression"},
      {"x IN 1", kFilter, "Expected left parentheses after IN operator, instead found '1' in filter expression"},
      {"x NOT IN 1", kFilter, "Expected left parentheses for IN operator, instead found '1' in filter expression"},
      {"x IN (1, 2", kFilter, "Expected right parentheses after IN operator, instead found '' in filter expression"},
      {"x IN ()", kFilter, "You must provide at least one value as an operand of the IN operator  in filter expression"},
      {"x IN (SELECT a FROM t)", kFilter, "Sub-select queries are not allowed in filter expression"},
      {"x BETWEEN 1 OR 2", kFilter, "Expected AND operator in BETWEEN operator, instead found 'OR' in filter expression"},
      {"x NOT = 1", kFilter, "Unknown or unexpected symbol '=' in filter expression"},
      {"x IS 1", kFilter, "Unknown or unexpected symbol '1' found in filter expression"},
      {"x | y", kFilter,
       "Second concatenation symbol '|' expected after first concatentation symbol, instead found 'y' in filter "
       "expression"},
      {"x LIKE 'a%'", AllowAggregates, "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in filter expression"},
      {"SUM(x) > 1", kFilter, "Aggregate functions are not allowed in filter expression"},
      {"SUM x", kSelectList, "Left parentheses expectedafter aggregate function 'SUM', instead found 'x' in filter expression"},
      {"count(x", kSelectList, "Right parentheses expected after aggregate count function argument, instead found '' in filter expression"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(Parse(c.text, c.allowances).error, c.message) << c.text;
}

TEST(ExpressionParser, AdmitsWhatEachClauseAllows) {
  EXPECT_EQ(Parse("COUNT(*)", kSelectList).tree, "(COUNT *)");
  EXPECT_EQ(Parse("t.*", kSelectList).tree, "t:*");
  EXPECT_EQ(Parse("SUM(x) + 1", kSelectList).tree, "(+ (SUM x) i1)");
  EXPECT_EQ(Parse("x = ? AND y = ?", kWhere).tree, "(AND (= x ?) (= y ?))");
}

TEST(ExpressionParser, RegistersParametersAndSubSelectsWithItsOwner) {
  struct Owner : TExpressionOwner {
    std::vector<TExpToken*> parameters;
    TSubQuery subQuery;
    void AddParameter(TExpToken* marker) override { parameters.push_back(marker); }
    TSubQuery* ParseSubSelect(TExpressionParser& parser) override {
      while (!parser.IsKind(')') && !parser.IsKind(0)) parser.NextToken();  // stands in for the SELECT parser
      return &subQuery;
    }
  } owner;
  TExpressionParser parser(&owner);
  parser.SetErrorContext(11949, "", "WHERE or JOIN clause");
  parser.SetText("a = ? AND b NOT IN (SELECT c FROM t) OR d = ?");
  parser.NextToken();
  TExpTree tree = parser.ParseExpression(kWhere);
  ASSERT_EQ(owner.parameters.size(), 2u);
  EXPECT_EQ(owner.parameters[0], tree->First->First->Second);
  EXPECT_EQ(owner.parameters[1], tree->Second->Second);
  const TExpToken* in = tree->First->Second;
  EXPECT_EQ(in->Operator, TOperator::NotInSelect);
  EXPECT_EQ(in->Second->SubQuery, &owner.subQuery);
}

TEST(ExpressionParser, SqlErrorsCarryTheSqlCodeAndClause) {
  TExpressionParser parser;
  parser.SetErrorContext(11949, "", "HAVING clause");
  parser.SetText("x LIKE 'a%'");
  parser.NextToken();
  try {
    parser.ParseExpression(AllowAggregates);
    FAIL();
  } catch (const ESkladEngineError& e) {
    EXPECT_STREQ(e.what(),
                 "Sklad Engine Error # 11949 SQL error - Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) "
                 "are not allowed in HAVING clause");
  }
}

TEST(ExpressionParser, CapturesTheTextOfAnExpressionAndItsConsumedLength) {
  TExpressionParser parser;
  parser.SetErrorContext(11949, "", "source column expression");
  parser.SetText("SELECT a +\r\n b /* c */ , d FROM t");
  parser.NextToken();
  parser.NextToken();
  parser.Mark();
  TExpTree tree = parser.ParseExpression(kSelectList);
  EXPECT_EQ(parser.CapturedText(), "a + b");
  EXPECT_TRUE(parser.IsKind(','));
  EXPECT_EQ(parser.ConsumedLength(), std::string("SELECT a +\r\n b /* c */ ").size());
}

TEST(ExpressionParser, DataTypesCarryTheirCodesAndArguments) {
  struct Case {
    const char* text;
    TFieldType type;
    uint8_t subType;
    const char* arguments;
  } cases[] = {
      {"CHAR(10)", TFieldType::String, 0, "i10"},       {"VARCHAR(3)", TFieldType::String, 0, "i3"},
      {"DECIMAL(10, 2)", TFieldType::BCD, 0, "i10,i2"}, {"NUMERIC", TFieldType::Float, 0, ""},
      {"MONEY", TFieldType::Float, subtype::Money, ""}, {"AUTOINC", TFieldType::Integer, subtype::AutoIncrement, ""},
      {"BLOB(0, 1)", TFieldType::Blob, 0, "i0,i1"},     {"BYTES", TFieldType::Bytes, 0, ""},
      {"timestamp", TFieldType::TimeStamp, 0, ""},
  };
  for (const Case& c : cases) {
    TExpressionParser parser;
    parser.SetErrorContext(11949, "", "SQL statement");
    parser.SetText(c.text);
    parser.NextToken();
    TExpTree node = TakeNode();
    ASSERT_TRUE(parser.ParseDataType(*node, 0, false)) << c.text;
    EXPECT_EQ(node->ValueType, static_cast<uint8_t>(c.type)) << c.text;
    EXPECT_EQ(node->SubType, c.subType) << c.text;
    EXPECT_EQ(Dump(node->Second), c.arguments) << c.text;
  }
}

TEST(ExpressionParser, CurrentDateIsFixedAtParseTime) {
  TExpressionParser parser;
  parser.SetErrorContext(10051, "T", "filter expression");
  parser.SetText("CURRENT_DATE");
  parser.NextToken();
  TExpTree date = parser.ParseExpression(kFilter);
  // Day numbers count from 0001-01-01 = 1; 2024-01-01 is day 738,886.
  EXPECT_GE(date->As<int32_t>(), 738886);
  EXPECT_EQ(date->ValueType, static_cast<uint8_t>(TFieldType::Date));
}

TEST(ExpressionParser, DeepOrHostileTextFailsCleanly) {
  EXPECT_EQ(Parse(std::string(100000, '(')).error, "Expression nested too deeply in filter expression");
  EXPECT_NE(Parse(std::string(100000, '-')).error, "");
  std::string longList = "x IN (1";
  for (int i = 0; i < 100000; ++i) longList += ",1";
  TExpressionParser parser;
  parser.SetText(longList + ")");
  parser.NextToken();
  EXPECT_NO_THROW(parser.ParseExpression(kFilter));  // and its release walks the list without recursion
  EXPECT_NE(Parse(std::string("x = 'a\0b", 8)).error, "");
}

TEST(ExpressionParser, NodesGoBackToThePool) {
  TExpTokenStack& pool = TExpTokenStack::Instance();
  Parse("a = 1 AND b IN (1, 2, 3)");  // fills the pool
  const int pooled = pool.PooledCount();
  Parse("a = 1 AND b IN (1, 2, 3)");
  EXPECT_EQ(pool.PooledCount(), pooled);
  Parse("a = 1 AND b IN (1, 2");  // an error returns what was taken too
  EXPECT_EQ(pool.PooledCount(), pooled);
}

}  // namespace
}  // namespace sklad
