// The parameter scan of query texts: markers, literals, doubled colons, name ends and quoted names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/ParamScan.h"

namespace sklad {
namespace {

struct ScanCase {
  const char* Name;
  std::string Sql;
  std::string Text;
  std::vector<std::string> Names;
};

class ParamScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ParamScanTest, FindsTheParametersAndReplacesThemByMarkers) {
  const ScanCase& c = GetParam();
  const TParamScan scan = ScanParameters(c.Sql);
  EXPECT_EQ(scan.Text, c.Text);
  EXPECT_EQ(scan.Names, c.Names);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParamScanTest,
    ::testing::Values(
        ScanCase{"OneParameter", "SELECT * FROM t WHERE id = :id", "SELECT * FROM t WHERE id = ?", {"id"}},
        ScanCase{"BeforeAParenthesis", "WHERE (id = :Name)", "WHERE (id = ?)", {"Name"}},
        ScanCase{"EachNameEnd", ":a,:b;:c\r\n:d\n:e :f)", "?,?;?\r\n?\n? ?)", {"a", "b", "c", "d", "e", "f"}},
        ScanCase{"OtherCharactersBelongToTheName", "id=:id+1", "id=?", {"id+1"}},
        ScanCase{"ColonsInLiterals", "WHERE t = '10:30' AND u = \":x\"", "WHERE t = '10:30' AND u = \":x\"", {}},
        ScanCase{"DoubledColon", "SELECT a::b, '::' FROM t", "SELECT a:b, '::' FROM t", {}},
        ScanCase{"DoubledColonBeforeAParameter", "a:::b", "a:?", {"b"}},
        ScanCase{"OtherQuoteInsideALiteral",
                 "WHERE s = 'it\"s' AND id = :id AND u = \"it's\" AND v = :v",
                 "WHERE s = 'it\"s' AND id = ? AND u = \"it's\" AND v = ?",
                 {"id", "v"}},
        ScanCase{"QuotedNames", "WHERE a = :\"my name\" AND b = :'x)y'", "WHERE a = ? AND b = ?", {"my name", "x)y"}},
        ScanCase{"RepeatedName", ":a + :A", "? + ?", {"a", "A"}},
        ScanCase{"ColonWithoutAName", "a : b, c:", "a : b, c:", {}},
        ScanCase{"UnclosedQuotedName", "a = :\"abc", "a = :\"abc", {}},
        ScanCase{"EmptyQuotedName", "a = :\"\"", "a = :\"\"", {}},
        ScanCase{"UnclosedLiteral", "a = 'x :y", "a = 'x :y", {}}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace sklad
