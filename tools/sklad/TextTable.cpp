#include "tools/sklad/TextTable.h"

#include <algorithm>

namespace sklad::tool {
namespace {

size_t Characters(const std::string& text) {
  return static_cast<size_t>(std::ranges::count_if(text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

void TTextTable::Write(std::ostream& out, const std::string& indent) const {
  std::vector<size_t> widths;
  for (const auto& row : FRows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Characters(row[i]));
  }
  for (const auto& row : FRows) {
    std::string line = indent;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - Characters(row[i]) + 2, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

}  // namespace sklad::tool
