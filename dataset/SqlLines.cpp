#include "SqlLines.h"

#include <stdexcept>

namespace sklad {

void TSqlLines::Add(std::string_view line) {
  FLines.emplace_back(line);
  Changed();
}

void TSqlLines::Insert(int index, std::string_view line) {
  if (index < 0 || index > Count()) throw std::out_of_range("SQL line index out of range");
  FLines.emplace(FLines.begin() + index, line);
  Changed();
}

void TSqlLines::Replace(int index, std::string_view line) {
  FLines.at(static_cast<size_t>(index)) = line;
  Changed();
}

void TSqlLines::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("SQL line index out of range");
  FLines.erase(FLines.begin() + index);
  Changed();
}

void TSqlLines::Clear() {
  if (FLines.empty()) return;
  FLines.clear();
  Changed();
}

void TSqlLines::Assign(const std::vector<std::string>& lines) {
  FLines = lines;
  Changed();
}

std::string TSqlLines::Text() const {
  std::string text;
  for (const std::string& line : FLines) text += line + "\r\n";
  return text;
}

void TSqlLines::EndUpdate() {
  if (FUpdateDepth == 0) return;
  if (--FUpdateDepth == 0 && FChangedInUpdate) {
    FChangedInUpdate = false;
    FChanged();
  }
}

void TSqlLines::Changed() {
  if (FUpdateDepth > 0) {
    FChangedInUpdate = true;
    return;
  }
  FChanged();
}

}  // namespace sklad
