// JSON: an array with one object per row, keys in column order. Numbers are JSON numbers (a float
// that is not finite becomes the string "inf", "-inf" or "nan"), booleans true or false, NULL
// null; texts, dates and times strings; bytes strings of hexadecimal digits. Rows are written as
// they come, so a large table needs no more memory than one row.
#include <nlohmann/json.hpp>

#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {
namespace {

nlohmann::ordered_json CellValue(const TResultCell& cell) {
  switch (cell.Kind) {
    case TCellKind::Null: return nullptr;
    case TCellKind::Boolean: return cell.Text == "True";
    case TCellKind::Number: {
      nlohmann::ordered_json number = nlohmann::ordered_json::parse(cell.Text, nullptr, false);
      if (number.is_number()) return number;
      return cell.Text;
    }
    case TCellKind::Text:
    case TCellKind::Binary: break;
  }
  return cell.Text;
}

class TJsonWriter final : public TResultWriter {
 public:
  explicit TJsonWriter(std::ostream& out) : FOut(out) {}

  void Begin(const std::vector<std::string>& columnNames) override {
    FColumnNames = columnNames;
    FOut << '[';
  }

  void Row(const std::vector<TResultCell>& cells) override {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    for (size_t i = 0; i < cells.size() && i < FColumnNames.size(); ++i) row[FColumnNames[i]] = CellValue(cells[i]);
    FOut << (FFirstRow ? "\n" : ",\n") << row.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    FFirstRow = false;
  }

  void End() override {
    FOut << (FFirstRow ? "]\n" : "\n]\n");
    FOut.flush();
  }

 private:
  std::ostream& FOut;
  std::vector<std::string> FColumnNames;
  bool FFirstRow = true;
};

}  // namespace

std::unique_ptr<TResultWriter> MakeJsonWriter(std::ostream& out) { return std::make_unique<TJsonWriter>(out); }

}  // namespace sklad::tool
