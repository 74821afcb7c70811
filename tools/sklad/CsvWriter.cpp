// CSV after RFC 4180: records end in CR LF; a field holding a comma, a quote, CR or LF is quoted
// with its quotes doubled. NULL is an empty field and an empty text a quoted empty field, so the
// two stay apart when the file is read back.
#include <string_view>

#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {
namespace {

class TCsvWriter final : public TResultWriter {
 public:
  explicit TCsvWriter(std::ostream& out) : FOut(out) {}

  void Begin(const std::vector<std::string>& columnNames) override {
    for (size_t i = 0; i < columnNames.size(); ++i) {
      if (i > 0) FOut << ',';
      WriteField(columnNames[i], false);
    }
    FOut << "\r\n";
  }

  void Row(const std::vector<TResultCell>& cells) override {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) FOut << ',';
      if (cells[i].Kind != TCellKind::Null) WriteField(cells[i].Text, cells[i].Text.empty());
    }
    FOut << "\r\n";
  }

  void End() override { FOut.flush(); }

 private:
  void WriteField(std::string_view text, bool quoteEmpty) {
    if (!quoteEmpty && text.find_first_of(",\"\r\n") == std::string_view::npos) {
      FOut << text;
      return;
    }
    FOut << '"';
    for (const char c : text) {
      if (c == '"') FOut << '"';
      FOut << c;
    }
    FOut << '"';
  }

  std::ostream& FOut;
};

}  // namespace

std::unique_ptr<TResultWriter> MakeCsvWriter(std::ostream& out) { return std::make_unique<TCsvWriter>(out); }

}  // namespace sklad::tool
