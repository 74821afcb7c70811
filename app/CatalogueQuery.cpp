#include "CatalogueQuery.h"

#include <optional>

#include "VolumeFiles.h"
#include "platform/locale/CaseMapping.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"

namespace rejstrik {
namespace {

// No record has this as its issue or section: it stands for "nothing chosen in this group".
constexpr const char* NeverMatch = "@@@@";

std::string SelectLine(std::string_view tableName) {
  return "SELECT * FROM " + std::string(tableName);
}

std::string IssueCondition(const std::string& prefix) {
  return "(SUBSTRING(p FROM 1 FOR 2) = '" + prefix + "') OR (SUBSTRING(p FROM 1 FOR 3) = '0" +
         prefix + "')";
}

std::string SectionCondition(const std::string& section) { return "(r = '" + section + "')"; }

// The issue group: one line per checked issue, the first one opening the WHERE clause.
bool AppendIssueGroup(TCatalogueSql& sql, const std::vector<TIssueChoice>& issues) {
  bool groupOpen = false;
  for (const TIssueChoice& issue : issues) {
    if (issue.Checked) {
      sql.Lines.push_back((groupOpen ? " OR " : "WHERE (") + IssueCondition(issue.Prefix));
      groupOpen = true;
    } else if (issue.Enabled) {
      sql.IssuesAllChosen = false;
    }
  }
  if (groupOpen) sql.Lines.push_back(")");
  return groupOpen;
}

// The section group: its own joining line, then one line per checked section.
bool AppendSectionGroup(TCatalogueSql& sql, const std::vector<TSectionChoice>& sections) {
  bool groupOpen = false;
  for (const TSectionChoice& section : sections) {
    const std::string condition = SectionCondition(std::to_string(section.Section));
    if (section.Checked && groupOpen) {
      sql.Lines.push_back(" OR " + condition);
    } else if (section.Checked) {
      sql.Lines.push_back(sql.Lines.size() == 1 ? "WHERE " : " AND ");
      sql.Lines.push_back("(" + condition);
      groupOpen = true;
    } else if (section.Enabled) {
      sql.SectionsAllChosen = false;
    }
  }
  if (groupOpen) sql.Lines.push_back(")");
  return groupOpen;
}

constexpr std::array<TTypePattern, TypeToggleCount> TypePatterns = {{
    {"typ", "1%"},     {"typ", "_1%"},     {"typ", "__1%"}, {"typ", "___1%"}, {"typ", "____1%"},
    {"os", "1%"},      {"os", "_1%"},      {"os", "__1%"},  {"os", "___1%"},  {"os", "____1%"},
    {"os", "_____1%"}, {"os", "______1%"}, {"typ", "N%"},   {"typ", "M%"},    {"typ", "C%"},
    {"typ", "G%"},     {"typ", "F%"},      {"typ", "K%"},   {"typ", "X%"},    {"typ", "O%"},
    {"typ", "R%"},     {"typ", "A%"},
}};

std::string TypeCondition(const TTypePattern& pattern) {
  return std::string(pattern.Field) + " LIKE \"" + pattern.Pattern + "\")";
}

// The word's test in the scopes checked: the name, the description or either of them.
// The word in lower case as the engine's LOWER maps the volume's texts, so that a capital of any
// letter of the code page (Š, Ř, Ů...) finds the lowered field. A word the code page cannot hold
// is in no record; it stays as it is.
std::string LowerCaseWord(std::string_view word) {
  std::optional<std::string> bytes = platform::Utf8ToCodePageExactly(word, VolumeCodePage);
  if (!bytes) return std::string(word);
  platform::CaseMapperFor(platform::MakeLcid(VolumeLanguageId, VolumeSortId), VolumeCodePage)
      .ToLower(*bytes);
  return platform::CodePageToUtf8(*bytes, VolumeCodePage);
}

std::string WordCondition(std::string_view word, bool inName, bool inDescription) {
  if (word.empty()) return {};
  const std::string pattern = "\"%" + SearchWordText(word) + "%\"";
  std::string condition;
  if (inName) condition = "LOWER(name) LIKE " + pattern;
  if (inDescription)
    condition += (condition.empty() ? "LOWER(popis) LIKE " : " OR LOWER(popis) LIKE ") + pattern;
  return condition;
}

}  // namespace

TCatalogueSql CatalogueSql(std::string_view tableName, const std::vector<TIssueChoice>& issues,
                           const std::vector<TSectionChoice>& sections) {
  TCatalogueSql sql;
  sql.Lines.push_back(SelectLine(tableName));
  const bool issuesChosen = AppendIssueGroup(sql, issues);
  const bool sectionsChosen = AppendSectionGroup(sql, sections);
  if (!issuesChosen || !sectionsChosen) {
    const std::string never = SectionCondition(NeverMatch);
    sql.Lines.push_back((sql.Lines.size() == 1 ? "WHERE " : " AND ") + never);
  }
  return sql;
}

const TTypePattern& TypeToggle(int number) { return TypePatterns.at(number - 1); }

void AppendTypePart(std::vector<std::string>& lines, std::string_view tableName,
                    const std::array<bool, TypeToggleCount>& checked, TTypeOperator op) {
  const std::string joint = op == TTypeOperator::And ? " AND (" : " OR (";
  bool groupOpen = false;
  if (lines.size() > 1) {
    for (int number = 1; number <= TypeToggleCount; ++number) {
      if (!checked[number - 1]) continue;
      const std::string condition = TypeCondition(TypeToggle(number));
      if (groupOpen) {
        lines.push_back(joint + condition);
      } else {
        lines.push_back(" AND ");
        lines.push_back("(( " + condition);
        groupOpen = true;
      }
    }
  }
  if (groupOpen)
    lines.push_back(")");
  else
    lines = {SelectLine(tableName), "WHERE p=\"" + std::string(NeverMatch) + "\""};
}

std::string SearchWordText(std::string_view word) {
  std::string text;
  text.reserve(word.size());
  for (const char c : LowerCaseWord(word)) {
    if (c == '"')
      text += "\"\"";
    else
      text += c;
  }
  return text;
}

std::string SimpleSearchFilter(std::string_view word, bool inName, bool inDescription) {
  return WordCondition(word, inName, inDescription);
}

std::string ConditionalSearchFilter(const TConditionalSearch& search) {
  const auto& words = search.Words;
  if (words[0].empty() || (!search.InName && !search.InDescription)) return {};
  const auto condition = [&search](const std::string& word) {
    return WordCondition(word, search.InName, search.InDescription);
  };
  std::string join12;
  if (!words[1].empty()) join12 = search.Join12 == TWordJoin::And ? ") AND (" : ") OR (";
  std::string join3;
  if (!words[2].empty()) join3 = search.Join3 == TWordJoin::And ? ")) AND (" : ")) OR (";
  const std::string opening = join3.empty() ? "(" : "((";
  return opening + condition(words[0]) + join12 + condition(words[1]) + join3 +
         condition(words[2]) + ")";
}

}  // namespace rejstrik
