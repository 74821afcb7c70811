// JSON: an array with one object per row, keys in column order. Numbers are JSON numbers written
// with the very digits of their text (a DECIMAL keeps its trailing zeros, a float every digit it
// needs); a float that is not finite, which JSON has no number for, becomes the string "inf",
// "-inf" or "nan". Booleans are true or false, NULL null; texts, dates and times strings; bytes
// strings of hexadecimal digits. Rows are written as they come, so a large table needs no more
// memory than one row.
#include <nlohmann/json.hpp>

#include "tools/sklad/ResultWriter.h"

namespace sklad::tool {
namespace {

std::string JsonString(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string JsonValue(const TResultCell& cell) {
  switch (cell.Kind) {
    case TCellKind::Null: return "null";
    case TCellKind::Boolean: return cell.Text == "True" ? "true" : "false";
    case TCellKind::Number:
      if (nlohmann::json::accept(cell.Text)) return cell.Text;
      break;
    case TCellKind::Text:
    case TCellKind::Binary: break;
  }
  return JsonString(cell.Text);
}

class TJsonWriter final : public TResultWriter {
 public:
  explicit TJsonWriter(std::ostream& out) : FOut(out) {}

  void Begin(const std::vector<std::string>& columnNames) override {
    FKeys.clear();
    for (const std::string& name : columnNames) FKeys.push_back(JsonString(name) + ':');
    FOut << '[';
  }

  void Row(const std::vector<TResultCell>& cells) override {
    std::string row = FFirstRow ? "\n{" : ",\n{";
    for (size_t i = 0; i < cells.size() && i < FKeys.size(); ++i) row += (i > 0 ? "," : "") + FKeys[i] + JsonValue(cells[i]);
    FOut << row << '}';
    FFirstRow = false;
  }

  void End() override {
    FOut << (FFirstRow ? "]\n" : "\n]\n");
    FOut.flush();
  }

 private:
  std::ostream& FOut;
  std::vector<std::string> FKeys;  // each column's name as a JSON string and the colon after it
  bool FFirstRow = true;
};

}  // namespace

std::unique_ptr<TResultWriter> MakeJsonWriter(std::ostream& out) { return std::make_unique<TJsonWriter>(out); }

}  // namespace sklad::tool
