// The aligned table for a reader at a terminal: a header, a rule, and the rows, columns as wide as
// their widest text on screen, numbers to the right. Line breaks, tabs and other control
// characters inside a value are shown as escapes (\n, \r, \t, \xNN) so every row keeps one line;
// NULL is an empty cell. The rows are kept until the end, when the widths are known.
#include <fmt/format.h>

#include <algorithm>

#include "tools/sklad/DisplayWidth.h"
#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {
namespace {

std::string OnOneLine(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\n': shown += "\\n"; break;
      case '\r': shown += "\\r"; break;
      case '\t': shown += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
          fmt::format_to(std::back_inserter(shown), "\\x{:02X}", static_cast<unsigned char>(c));
        else
          shown += c;
    }
  }
  return shown;
}

struct TShownCell {
  std::string Text;
  size_t Width = 0;
  bool RightAligned = false;
};

TShownCell Shown(std::string_view text, bool rightAligned) {
  std::string shown = OnOneLine(text);
  const size_t width = DisplayWidth(shown);
  return {std::move(shown), width, rightAligned};
}

class TAlignedTableWriter final : public TResultWriter {
 public:
  explicit TAlignedTableWriter(std::ostream& out) : FOut(out) {}

  void Begin(const std::vector<std::string>& columnNames) override {
    FHeader.clear();
    for (const std::string& name : columnNames) FHeader.push_back(Shown(name, false));
  }

  void Row(const std::vector<TResultCell>& cells) override {
    std::vector<TShownCell> row;
    for (const TResultCell& cell : cells)
      row.push_back(Shown(cell.Kind == TCellKind::Null ? std::string_view() : cell.Text, cell.Kind == TCellKind::Number));
    FRows.push_back(std::move(row));
  }

  void End() override {
    std::vector<size_t> widths;
    for (const TShownCell& name : FHeader) widths.push_back(name.Width);
    for (const auto& row : FRows)
      for (size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], row[i].Width);
    WriteLine(FHeader, widths);
    for (size_t i = 0; i < widths.size(); ++i) FOut << (i > 0 ? "-+-" : "") << std::string(widths[i], '-');
    FOut << '\n';
    for (const auto& row : FRows) WriteLine(row, widths);
    FOut << fmt::format("({} {})\n", FRows.size(), FRows.size() == 1 ? "row" : "rows");
    FOut.flush();
    FRows.clear();
  }

 private:
  void WriteLine(const std::vector<TShownCell>& cells, const std::vector<size_t>& widths) {
    std::string line;
    for (size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      const std::string padding(widths[i] - cells[i].Width, ' ');
      if (i > 0) line += " | ";
      line += cells[i].RightAligned ? padding + cells[i].Text : cells[i].Text + padding;
    }
    // No blanks after the last column.
    line.erase(line.find_last_not_of(' ') + 1);
    FOut << line << '\n';
  }

  std::ostream& FOut;
  std::vector<TShownCell> FHeader;
  std::vector<std::vector<TShownCell>> FRows;
};

}  // namespace

std::unique_ptr<TResultWriter> MakeAlignedTableWriter(std::ostream& out) {
  return std::make_unique<TAlignedTableWriter>(out);
}

}  // namespace sklad::tool
