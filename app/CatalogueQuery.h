// The texts the user's choices become: the SQL lines of the catalogue query, built from the
// issue, section and type toggles, and the word-search filters of the query. Texts are UTF-8;
// the windows convert them to the volume's code page where they reach the engine.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace rejstrik {

// An issue toggle: the issue's prefix in the field p ("1/" .. "9/", "10", "11", "12").
struct TIssueChoice {
  std::string Prefix;
  bool Checked = false;
  bool Enabled = true;
};

// A section toggle: the section number it stands for (1 .. 12, 99).
struct TSectionChoice {
  int Section = 0;
  bool Checked = false;
  bool Enabled = true;
};

struct TCatalogueSql {
  std::vector<std::string> Lines;
  // Every enabled issue (section) toggle is checked.
  bool IssuesAllChosen = true;
  bool SectionsAllChosen = true;
};

// The SQL lines from the issue toggles (issue 1 first) and the section toggles (section 1 first,
// then the section-99 toggle), with the never-matching condition when a group has nothing
// chosen.
TCatalogueSql CatalogueSql(std::string_view tableName, const std::vector<TIssueChoice>& issues,
                           const std::vector<TSectionChoice>& sections);

// The number of record type and system toggles of the type window.
inline constexpr int TypeToggleCount = 22;

// What type toggle n (1 .. 22) tests: the field ("typ" or "os") and its LIKE pattern.
struct TTypePattern {
  const char* Field;
  const char* Pattern;
};
const TTypePattern& TypeToggle(int number);

enum class TTypeOperator { Or, And };

// Appends the type part of the checked toggles (checked[n - 1] for toggle n) joined by the
// operator; with no toggle checked the lines become the never-matching two-line text.
void AppendTypePart(std::vector<std::string>& lines, std::string_view tableName,
                    const std::array<bool, TypeToggleCount>& checked, TTypeOperator op);

// A search word as it stands between the filter's double quotes: lowered with the volume's
// locale, as the engine's LOWER lowers the fields it is compared with, and every double quote
// doubled, so a word with quotes is searched for rather than refused.
std::string SearchWordText(std::string_view word);

// The simple search's filter for the word in the scopes checked; empty when neither is checked
// or the word is empty (the caller then keeps the filter in force).
std::string SimpleSearchFilter(std::string_view word, bool inName, bool inDescription);

enum class TWordJoin { Or, And };

// The conditional search: up to three words (empty ones take no part), the scopes and the two
// joins (between words 1 and 2, towards word 3). Empty when the first word is empty or neither
// scope is checked: there is nothing to search for, and the caller keeps the filter in force.
struct TConditionalSearch {
  std::array<std::string, 3> Words;
  bool InName = true;
  bool InDescription = true;
  TWordJoin Join12 = TWordJoin::Or;
  TWordJoin Join3 = TWordJoin::Or;
};
std::string ConditionalSearchFilter(const TConditionalSearch& search);

}  // namespace rejstrik
