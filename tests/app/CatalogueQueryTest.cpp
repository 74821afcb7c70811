#include "app/CatalogueQuery.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/expression/ExpressionParser.h"
#include "engine/storage/core/EngineError.h"

namespace rejstrik {
namespace {

using TLines = std::vector<std::string>;

const char* const IssuePrefixes[] = {"1/", "2/", "3/", "4/", "5/", "6/",
                                     "7/", "8/", "9/", "10", "11", "12"};

// The twelve issue toggles: the first `enabledCount` enabled, the listed issues checked.
std::vector<TIssueChoice> Issues(std::initializer_list<int> checked, int enabledCount = 12) {
  std::vector<TIssueChoice> issues;
  for (int number = 1; number <= 12; ++number)
    issues.push_back({IssuePrefixes[number - 1], false, number <= enabledCount});
  for (const int number : checked) issues[number - 1].Checked = true;
  return issues;
}

// The section toggles of label set "1": sections 1 .. 12 and the section-99 toggle, as loaded
// (all checked) unless a list of checked sections is given.
std::vector<TSectionChoice> SectionsOfSet1(std::initializer_list<int> checked) {
  std::vector<TSectionChoice> sections;
  for (const int section : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99})
    sections.push_back({section, false, true});
  for (const int section : checked)
    for (TSectionChoice& choice : sections)
      if (choice.Section == section) choice.Checked = true;
  return sections;
}

// Label set "2" hides the section-99 toggle: unchecked and disabled.
std::vector<TSectionChoice> SectionsOfSet2(std::initializer_list<int> checked) {
  std::vector<TSectionChoice> sections = SectionsOfSet1(checked);
  sections.back() = {99, false, false};
  return sections;
}

std::array<bool, TypeToggleCount> TypeToggles(std::initializer_list<int> checked) {
  std::array<bool, TypeToggleCount> toggles{};
  for (const int number : checked) toggles[number - 1] = true;
  return toggles;
}

const TLines FirstExample = {
    "SELECT * FROM TABLE",
    "WHERE ((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')",
    " OR (SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')",
    ")",
    " AND ",
    "((r = '1')",
    " OR (r = '3')",
    " OR (r = '99')",
    ")",
};

TCatalogueSql FirstExampleSql() {
  return CatalogueSql("TABLE", Issues({1, 2}), SectionsOfSet1({1, 3, 99}));
}

TLines Concatenated(TLines first, const TLines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(CatalogueSqlTest, IssuesAndSectionsOfTheWorkedExample) {
  const TCatalogueSql sql = FirstExampleSql();
  EXPECT_EQ(sql.Lines, FirstExample);
  EXPECT_FALSE(sql.IssuesAllChosen);
  EXPECT_FALSE(sql.SectionsAllChosen);
}

TEST(CatalogueSqlTest, IssueTenTestsTwoAndThreeCharacters) {
  const TCatalogueSql sql = CatalogueSql("T", Issues({10}), SectionsOfSet1({5}));
  EXPECT_EQ(sql.Lines,
            (TLines{
                "SELECT * FROM T",
                "WHERE ((SUBSTRING(p FROM 1 FOR 2) = '10') OR (SUBSTRING(p FROM 1 FOR 3) = '010')",
                ")",
                " AND ",
                "((r = '5')",
                ")",
            }));
}

TEST(CatalogueSqlTest, NothingChosenInAGroupNeverMatches) {
  struct TCase {
    const char* Name;
    std::vector<TIssueChoice> Issues;
    std::vector<TSectionChoice> Sections;
    TLines Lines;
  };
  const TCase cases[] = {
      {"sections of set 2 without an issue",
       Issues({}),
       SectionsOfSet2({1, 2}),
       {"SELECT * FROM TABLE", "WHERE ", "((r = '1')", " OR (r = '2')", ")", " AND (r = '@@@@')"}},
      {"issues without a section",
       Issues({3}),
       SectionsOfSet1({}),
       {"SELECT * FROM TABLE",
        "WHERE ((SUBSTRING(p FROM 1 FOR 2) = '3/') OR (SUBSTRING(p FROM 1 FOR 3) = '03/')", ")",
        " AND (r = '@@@@')"}},
      {"nothing at all in set 2",
       Issues({}),
       SectionsOfSet2({}),
       {"SELECT * FROM TABLE", "WHERE (r = '@@@@')"}},
  };
  for (const TCase& example : cases)
    EXPECT_EQ(CatalogueSql("TABLE", example.Issues, example.Sections).Lines, example.Lines)
        << example.Name;
}

TEST(CatalogueSqlTest, AllChosenCountsOnlyEnabledToggles) {
  struct TCase {
    const char* Name;
    std::vector<TIssueChoice> Issues;
    std::vector<TSectionChoice> Sections;
    bool IssuesAllChosen;
    bool SectionsAllChosen;
  };
  const TCase cases[] = {
      {"everything checked", Issues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
       SectionsOfSet1({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99}), true, true},
      {"one enabled issue and one section left out", Issues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}),
       SectionsOfSet1({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), false, false},
      {"issues above the volume's count are disabled", Issues({1, 2, 3, 4, 5}, 5),
       SectionsOfSet2({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), true, true},
      {"one of the enabled issues left out", Issues({1, 2, 4, 5}, 5),
       SectionsOfSet2({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), false, true},
  };
  for (const TCase& example : cases) {
    const TCatalogueSql sql = CatalogueSql("T", example.Issues, example.Sections);
    EXPECT_EQ(sql.IssuesAllChosen, example.IssuesAllChosen) << example.Name;
    EXPECT_EQ(sql.SectionsAllChosen, example.SectionsAllChosen) << example.Name;
  }
}

TEST(TypePartTest, AllTogglesJoinedByOr) {
  TLines lines = FirstExample;
  AppendTypePart(lines, "TABLE", TypeToggles({1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                              12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}),
                 TTypeOperator::Or);
  const TLines typePart = {
      " AND ",
      "(( typ LIKE \"1%\")",
      " OR (typ LIKE \"_1%\")",
      " OR (typ LIKE \"__1%\")",
      " OR (typ LIKE \"___1%\")",
      " OR (typ LIKE \"____1%\")",
      " OR (os LIKE \"1%\")",
      " OR (os LIKE \"_1%\")",
      " OR (os LIKE \"__1%\")",
      " OR (os LIKE \"___1%\")",
      " OR (os LIKE \"____1%\")",
      " OR (os LIKE \"_____1%\")",
      " OR (os LIKE \"______1%\")",
      " OR (typ LIKE \"N%\")",
      " OR (typ LIKE \"M%\")",
      " OR (typ LIKE \"C%\")",
      " OR (typ LIKE \"G%\")",
      " OR (typ LIKE \"F%\")",
      " OR (typ LIKE \"K%\")",
      " OR (typ LIKE \"X%\")",
      " OR (typ LIKE \"O%\")",
      " OR (typ LIKE \"R%\")",
      " OR (typ LIKE \"A%\")",
      ")",
  };
  EXPECT_EQ(lines, Concatenated(FirstExample, typePart));
}

TEST(TypePartTest, TwoTogglesJoinedByAnd) {
  TLines lines = FirstExample;
  AppendTypePart(lines, "TABLE", TypeToggles({2, 11}), TTypeOperator::And);
  const TLines typePart = {
      " AND ",
      "(( typ LIKE \"_1%\")",
      " AND (os LIKE \"_____1%\")",
      ")",
  };
  EXPECT_EQ(lines, Concatenated(FirstExample, typePart));
}

TEST(TypePartTest, NoToggleCheckedReplacesTheWholeText) {
  const TLines neverMatching = {"SELECT * FROM TABLE", "WHERE p=\"@@@@\""};
  for (TLines lines : {FirstExample, TLines{"SELECT * FROM TABLE"}}) {
    AppendTypePart(lines, "TABLE", TypeToggles({}), TTypeOperator::Or);
    EXPECT_EQ(lines, neverMatching);
  }
  // A text of the SELECT line alone takes no type part even with toggles checked.
  TLines selectOnly = {"SELECT * FROM TABLE"};
  AppendTypePart(selectOnly, "TABLE", TypeToggles({1}), TTypeOperator::Or);
  EXPECT_EQ(selectOnly, neverMatching);
}

TEST(TypePartTest, ToggleNumbersOutsideOneToTwentyTwoAreRefused) {
  EXPECT_EQ(std::string(TypeToggle(TypeToggleCount).Pattern), "A%");
  EXPECT_THROW(TypeToggle(0), std::out_of_range);
  EXPECT_THROW(TypeToggle(TypeToggleCount + 1), std::out_of_range);
}

// The WHERE clause of the lines, joined as the engine receives them, after "WHERE ".
std::string WhereClause(const TLines& lines) {
  std::string text;
  for (size_t line = 1; line < lines.size(); ++line) text += lines[line] + "\r\n";
  return text.substr(std::string("WHERE ").size());
}

// Parses a filter or WHERE text as the engine does; the string constants it holds, in order.
// An engine refusal fails the test with the engine's message.
std::vector<std::string> EngineStrings(const std::string& text) {
  sklad::TExpressionParser parser;
  parser.SetErrorContext(10051, "TABLE", "filter expression");
  parser.SetText(text);
  try {
    parser.NextToken();
    parser.ParseExpression(sklad::AllowExtendedPredicates);
  } catch (const sklad::ESkladEngineError& error) {
    ADD_FAILURE() << error.what() << "\nin: " << text;
    return {};
  }
  EXPECT_EQ(parser.Kind(), 0) << "text left over in: " << text;
  std::vector<std::string> strings;
  parser.SetText(text);
  while (parser.NextToken() != 0)
    if (parser.IsKind(sklad::tkString)) strings.push_back(parser.TokenText());
  return strings;
}

TEST(CatalogueSqlTest, TheEngineReadsEveryWhereClause) {
  TLines withTypes = FirstExample;
  AppendTypePart(withTypes, "TABLE", TypeToggles({2, 11, 19}), TTypeOperator::And);
  const TLines texts[] = {
      FirstExample,
      withTypes,
      CatalogueSql("TABLE", Issues({}), SectionsOfSet2({1, 2})).Lines,
      CatalogueSql("TABLE", Issues({}), SectionsOfSet2({})).Lines,
      CatalogueSql("TABLE", Issues({10, 12}), SectionsOfSet1({})).Lines,
  };
  for (const TLines& lines : texts) EXPECT_FALSE(EngineStrings(WhereClause(lines)).empty());
}

struct TSimpleSearchCase {
  bool InName;
  bool InDescription;
  const char* Filter;
};

TEST(SimpleSearchTest, TheScopesCheckedChooseTheFields) {
  const TSimpleSearchCase cases[] = {
      {true, true, "LOWER(name) LIKE \"%linux%\" OR LOWER(popis) LIKE \"%linux%\""},
      {true, false, "LOWER(name) LIKE \"%linux%\""},
      {false, true, "LOWER(popis) LIKE \"%linux%\""},
      {false, false, ""},
  };
  for (const TSimpleSearchCase& example : cases)
    EXPECT_EQ(SimpleSearchFilter("Linux", example.InName, example.InDescription), example.Filter)
        << example.InName << example.InDescription;
  EXPECT_EQ(SimpleSearchFilter("", true, true), "");
}

TEST(SearchWordTest, CapitalsOfTheCodePageAreLoweredAndQuotesDoubled) {
  const std::pair<const char*, const char*> cases[] = {
      {"Linux XP", "linux xp"},
      {"ŽLUŤOUČKÝ Kůň", "žluťoučký kůň"},
      {"ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ", "áčďéěíňóřšťúůýž"},
      {"ÄÖÜŁŚŹĹĽŔŐŰ", "äöüłśźĺľŕőű"},
      {"SOUTĚŽ", "soutěž"},
      {"50%_off", "50%_off"},
      {"say \"hi\"", "say \"\"hi\"\""},
      {"\"", "\"\""},
      {"rock'n'roll", "rock'n'roll"},
      // Outside the code page: in no record, so left as it is.
      {"ΣΟΦΙΑ Ř", "ΣΟΦΙΑ Ř"},
  };
  for (const auto& [word, text] : cases) EXPECT_EQ(SearchWordText(word), text) << word;
}

TEST(SearchWordTest, TheEngineReadsBackAWordWithQuotes) {
  for (const std::string word : {"say \"hi\"", "\"", "\"start", "end\"", "rock'n'roll"}) {
    const std::string pattern = "%" + SearchWordText(word) + "%";
    const std::string expected = "%" + word + "%";
    EXPECT_EQ(EngineStrings(SimpleSearchFilter(word, true, true)),
              (std::vector<std::string>{expected, expected}));
    TConditionalSearch search;
    search.Words = {word, "b", word};
    EXPECT_EQ(EngineStrings(ConditionalSearchFilter(search)),
              (std::vector<std::string>{expected, expected, "%b%", "%b%", expected, expected}));
  }
}

TEST(ConditionalSearchTest, ThreeWordsOfTheWorkedExample) {
  TConditionalSearch search;
  search.Words = {"A", "B", "C"};
  search.Join12 = TWordJoin::Or;
  search.Join3 = TWordJoin::And;
  EXPECT_EQ(ConditionalSearchFilter(search),
            "((LOWER(name) LIKE \"%a%\" OR LOWER(popis) LIKE \"%a%\") OR (LOWER(name) LIKE "
            "\"%b%\" OR LOWER(popis) LIKE \"%b%\")) AND (LOWER(name) LIKE \"%c%\" OR "
            "LOWER(popis) LIKE \"%c%\")");
}

TEST(ConditionalSearchTest, EmptyWordsTakeNoPart) {
  struct TCase {
    std::array<std::string, 3> Words;
    bool InName;
    bool InDescription;
    TWordJoin Join12;
    TWordJoin Join3;
    const char* Filter;
  };
  const TCase cases[] = {
      {{"a", "", "c"},
       true,
       true,
       TWordJoin::And,
       TWordJoin::Or,
       "((LOWER(name) LIKE \"%a%\" OR LOWER(popis) LIKE \"%a%\")) OR (LOWER(name) LIKE \"%c%\" "
       "OR LOWER(popis) LIKE \"%c%\")"},
      {{"a", "", "c"},
       true,
       false,
       TWordJoin::Or,
       TWordJoin::And,
       "((LOWER(name) LIKE \"%a%\")) AND (LOWER(name) LIKE \"%c%\")"},
      {{"Word", "", ""},
       false,
       true,
       TWordJoin::And,
       TWordJoin::And,
       "(LOWER(popis) LIKE \"%word%\")"},
      {{"a", "b", ""},
       true,
       false,
       TWordJoin::And,
       TWordJoin::Or,
       "(LOWER(name) LIKE \"%a%\") AND (LOWER(name) LIKE \"%b%\")"},
      {{"", "b", "c"}, true, true, TWordJoin::Or, TWordJoin::Or, ""},
      {{"a", "b", "c"}, false, false, TWordJoin::Or, TWordJoin::Or, ""},
  };
  for (const TCase& example : cases) {
    const TConditionalSearch search{example.Words, example.InName, example.InDescription,
                                    example.Join12, example.Join3};
    const std::string filter = ConditionalSearchFilter(search);
    EXPECT_EQ(filter, example.Filter);
    if (!filter.empty()) {
      EXPECT_FALSE(EngineStrings(filter).empty());
    }
  }
}

}  // namespace
}  // namespace rejstrik
