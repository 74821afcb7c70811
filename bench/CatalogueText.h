// The catalogue's query texts as the browser builds them from its toggles (issues, sections, the
// type window's LIKEs, the word search), in our SQL dialect or as SQLite's equivalent, for the
// catalogue benchmark.
#pragma once

#include <string>
#include <vector>

namespace sklad::bench {

enum class TDialect { Sklad, Sqlite };

// The toggles of one click: issues 1 .. 12 and sections 1 .. 12 or 99 checked, in the order of
// the window; the type window's toggles 1 .. 22 checked (none: no type part) and its operator.
struct TCatalogueToggles {
  std::vector<int> Issues;
  std::vector<int> Sections;
  std::vector<int> Types;
  std::string TypeOperator = "OR";
};

namespace catalogue_text {

inline std::string Quoted(const std::string& text, char quote) { return quote + text + quote; }

// The issue's two comparisons: "7/" on the first two characters, "07/" on the first three.
inline std::string IssueTest(int issue, TDialect dialect) {
  const std::string h = issue < 10 ? std::to_string(issue) + "/" : std::to_string(issue);
  const auto prefix = [&](int length, const std::string& text) {
    const std::string n = std::to_string(length);
    return (dialect == TDialect::Sklad ? "(SUBSTRING(p FROM 1 FOR " + n + ")" : "(substr(p, 1, " + n + ")") + " = " +
           Quoted(text, '\'') + ")";
  };
  return prefix(2, h) + " OR " + prefix(3, "0" + h);
}

// The LIKE pattern of each type window toggle: positions of the type and system codes, then the
// type letters.
inline std::string TypeTest(int toggle, TDialect dialect) {
  static const char* const kPatterns[] = {"1%",  "_1%",  "__1%", "___1%", "____1%", "1%", "_1%", "__1%",
                                          "___1%", "____1%", "_____1%", "______1%", "N%", "M%", "C%", "G%",
                                          "F%",  "K%",  "X%",  "O%",  "R%",  "A%"};
  const std::string field = toggle >= 6 && toggle <= 12 ? "os" : "typ";
  return field + " LIKE " + Quoted(kPatterns[toggle - 1], dialect == TDialect::Sklad ? '"' : '\'');
}

// The text's lines in the order the click handlers add them.
inline std::vector<std::string> Lines(const std::string& table, const TCatalogueToggles& toggles, TDialect dialect) {
  std::vector<std::string> lines{"SELECT * FROM " + table};
  for (int issue : toggles.Issues) {
    lines.push_back((lines.size() == 1 ? "WHERE (" : " OR ") + IssueTest(issue, dialect));
  }
  const bool issuesOpen = !toggles.Issues.empty();
  if (issuesOpen) lines.emplace_back(")");
  bool sectionsOpen = false;
  for (int section : toggles.Sections) {
    const std::string test = "(r = " + Quoted(std::to_string(section), '\'') + ")";
    if (sectionsOpen) {
      lines.push_back(" OR " + test);
      continue;
    }
    lines.emplace_back(lines.size() == 1 ? "WHERE " : " AND ");
    sectionsOpen = true;
    lines.push_back("(" + test);
  }
  if (sectionsOpen) lines.emplace_back(")");
  if (!issuesOpen || !sectionsOpen) lines.emplace_back(lines.size() == 1 ? "WHERE (r = '@@@@')" : " AND (r = '@@@@')");
  bool typesOpen = false;
  for (int toggle : toggles.Types) {
    if (typesOpen) {
      lines.push_back(" " + toggles.TypeOperator + " (" + TypeTest(toggle, dialect) + ")");
      continue;
    }
    lines.emplace_back(" AND ");
    typesOpen = true;
    lines.push_back("(( " + TypeTest(toggle, dialect) + ")");
  }
  if (typesOpen) lines.emplace_back(")");
  return lines;
}

}  // namespace catalogue_text

// The SQL text: every line followed by CR LF, byte for byte as the browser sends it.
inline std::string CatalogueSelect(const std::string& table, const TCatalogueToggles& toggles, TDialect dialect) {
  std::string text;
  for (const std::string& line : catalogue_text::Lines(table, toggles, dialect)) text += line + "\r\n";
  return text;
}

// The condition after WHERE, to combine with further conditions.
inline std::string CatalogueCondition(const TCatalogueToggles& toggles, TDialect dialect) {
  const std::string text = CatalogueSelect("t", toggles, dialect);
  // Appended piece by piece: GCC 12 mistakes the one-expression form for an overlapping copy.
  std::string condition = "(";
  condition.append(text, text.find("WHERE ") + 6);
  condition += ")";
  return condition;
}

// The simple search's filter over name and description for a word in lower case.
inline std::string WordSearch(const std::string& word, TDialect dialect) {
  const char quote = dialect == TDialect::Sklad ? '"' : '\'';
  const std::string pattern = catalogue_text::Quoted("%" + word + "%", quote);
  return dialect == TDialect::Sklad ? "LOWER(name) LIKE " + pattern + " OR LOWER(popis) LIKE " + pattern
                                    : "lower(name) LIKE " + pattern + " OR lower(popis) LIKE " + pattern;
}

}  // namespace sklad::bench
