// TTextTable: rows of UTF-8 cells written as aligned columns for a terminal, each column as wide
// as its widest cell (counted in characters, not bytes).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace sklad::tool {

class TTextTable {
 public:
  void AddRow(std::vector<std::string> cells) { FRows.push_back(std::move(cells)); }
  // Each row on its own line, after the indent; no blanks after the last cell.
  void Write(std::ostream& out, const std::string& indent = {}) const;

 private:
  std::vector<std::vector<std::string>> FRows;
};

}  // namespace sklad::tool
