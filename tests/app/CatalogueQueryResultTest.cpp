// The catalogue query texts run by the engine over a small catalogue table: each choice of
// issues, sections, types and search words selects exactly the records it stands for.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/CatalogueQuery.h"
#include "dataset/SkladQuery.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "tests/engine/sql/LiveCatalogue.h"
#include "tests/support/TempDir.h"

namespace rejstrik {
namespace {

using TNames = std::vector<std::string>;

// p, r, typ, os, name, src, inet, popis
const std::vector<sklad::testing::CatalogueRow> Records = {
    {"1/", "1", "01000", "0000010", "jedna", "", "", "Program pro Win XP"},
    {"01/", "3", "10000", "1000000", "jedna nula", "", "", ""},
    {"10/", "1", "N", "0000000", "deset", "", "", "Navod \"krok za krokem\""},
    {"11/", "99", "00100", "0000011", "jedenact", "", "", ""},
    {"2/", "2", "00001", "0000001", "Say \"HI\"", "", "", ""},
};

const char* const IssuePrefixes[] = {"1/", "2/", "3/", "4/", "5/", "6/",
                                     "7/", "8/", "9/", "10", "11", "12"};

std::vector<TIssueChoice> Issues(std::initializer_list<int> checked) {
  std::vector<TIssueChoice> issues;
  for (const char* prefix : IssuePrefixes) issues.push_back({prefix, false, true});
  for (const int number : checked) issues[number - 1].Checked = true;
  return issues;
}

const std::vector<TIssueChoice> AllIssues = Issues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});

std::vector<TSectionChoice> Sections(std::initializer_list<int> checked) {
  std::vector<TSectionChoice> sections;
  for (const int section : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99})
    sections.push_back(
        {section, std::find(checked.begin(), checked.end(), section) != checked.end()});
  return sections;
}

const std::vector<TSectionChoice> AllSections =
    Sections({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99});

class CatalogueQueryResultTest : public ::testing::Test {
 protected:
  CatalogueQueryResultTest() {
    {
      sklad::TDataSession session;
      sklad::TDataDirectory* directory = session.OpenDirectory("", FDirectory.Path().string());
      directory->CloseTable(directory->CreateTable(sklad::testing::kCatalogueTable, false,
                                                   sklad::testing::CatalogueTableDefinition()));
      sklad::TDataCursor cursor(*directory);
      cursor.SetTableName(sklad::testing::kCatalogueTable);
      cursor.Open();
      for (const auto& record : Records) sklad::testing::InsertRow(cursor, record);
    }
    FQuery.SetDatabaseName(FDirectory.Path().string() + "/");
  }

  TNames Names(const std::vector<std::string>& lines, const std::string& filter = {}) {
    FQuery.Close();
    FQuery.SetSQL(lines);
    FQuery.SetFilterOptions({true, false});
    FQuery.SetFilter(filter);
    FQuery.SetFiltered(!filter.empty());
    FQuery.Open();
    TNames names;
    for (FQuery.First(); !FQuery.Eof(); FQuery.Next())
      names.push_back(FQuery.FieldByName("name").AsString());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::vector<std::string> Sql(const std::vector<TIssueChoice>& issues,
                               const std::vector<TSectionChoice>& sections) {
    return CatalogueSql(sklad::testing::kCatalogueTable, issues, sections).Lines;
  }

  sklad::testing::TempDir FDirectory;
  sklad::TSkladQuery FQuery;
};

TEST_F(CatalogueQueryResultTest, IssuesAndSectionsSelectTheirRecords) {
  struct TCase {
    const char* Name;
    std::vector<TIssueChoice> Issues;
    std::vector<TSectionChoice> Sections;
    TNames Names;
  };
  const TCase cases[] = {
      {"issue 1 with and without its zero", Issues({1}), AllSections, {"jedna", "jedna nula"}},
      {"issue 10 only", Issues({10}), AllSections, {"deset"}},
      {"issues 11 and 2", Issues({2, 11}), AllSections, {"Say \"HI\"", "jedenact"}},
      {"section 1", AllIssues, Sections({1}), {"deset", "jedna"}},
      {"section 99", AllIssues, Sections({99}), {"jedenact"}},
      {"no issue", Issues({}), AllSections, {}},
      {"no section", AllIssues, Sections({}), {}},
  };
  for (const TCase& example : cases)
    EXPECT_EQ(Names(Sql(example.Issues, example.Sections)), example.Names) << example.Name;
}

TEST_F(CatalogueQueryResultTest, TypePartNarrowsTheList) {
  struct TCase {
    const char* Name;
    std::initializer_list<int> Toggles;
    TTypeOperator Operator;
    TNames Names;
  };
  const TCase cases[] = {
      {"shareware under Windows XP", {2, 11}, TTypeOperator::And, {"jedna"}},
      {"demo or Linux", {1, 12}, TTypeOperator::Or, {"Say \"HI\"", "jedenact", "jedna nula"}},
      {"letter N", {13}, TTypeOperator::Or, {"deset"}},
      {"nothing checked", {}, TTypeOperator::Or, {}},
  };
  for (const TCase& example : cases) {
    std::array<bool, TypeToggleCount> toggles{};
    for (const int number : example.Toggles) toggles[number - 1] = true;
    std::vector<std::string> lines = Sql(AllIssues, AllSections);
    AppendTypePart(lines, sklad::testing::kCatalogueTable, toggles, example.Operator);
    EXPECT_EQ(Names(lines), example.Names) << example.Name;
  }
}

TEST_F(CatalogueQueryResultTest, SearchWordsFindTheirRecordsQuotesIncluded) {
  const std::vector<std::string> all = Sql(AllIssues, AllSections);
  TConditionalSearch oneOrOther;
  oneOrOther.Words = {"JEDNA", "", "deset"};
  TConditionalSearch both;
  both.Words = {"jedna", "nula", ""};
  both.Join12 = TWordJoin::And;
  struct TCase {
    const char* Name;
    std::string Filter;
    TNames Names;
  };
  const TCase cases[] = {
      {"word with quotes in the name",
       SimpleSearchFilter("say \"hi\"", true, false),
       {"Say \"HI\""}},
      {"word with quotes in the description", SimpleSearchFilter("\"krok", false, true), {"deset"}},
      {"word in either scope", SimpleSearchFilter("XP", true, true), {"jedna"}},
      {"words 1 or 3", ConditionalSearchFilter(oneOrOther), {"deset", "jedna", "jedna nula"}},
      {"words 1 and 2", ConditionalSearchFilter(both), {"jedna nula"}},
  };
  for (const TCase& example : cases)
    EXPECT_EQ(Names(all, example.Filter), example.Names) << example.Name;
}

}  // namespace
}  // namespace rejstrik
