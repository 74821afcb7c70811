// TSqlLines: a query's SQL text as a list of lines that tells its owner after every change, or
// once for a bracket of changes between BeginUpdate and EndUpdate.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sklad {

class TSqlLines {
 public:
  explicit TSqlLines(std::function<void()> changed) : FChanged(std::move(changed)) {}
  TSqlLines(const TSqlLines&) = delete;
  TSqlLines& operator=(const TSqlLines&) = delete;

  int Count() const { return static_cast<int>(FLines.size()); }
  const std::string& operator[](int index) const { return FLines.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const { return FLines; }

  void Add(std::string_view line);
  void Insert(int index, std::string_view line);
  void Replace(int index, std::string_view line);
  void Delete(int index);
  // Clearing an empty list changes nothing and tells nothing.
  void Clear();
  // The lines replaced by these.
  void Assign(const std::vector<std::string>& lines);

  // The lines joined, each followed by a carriage return and a line feed.
  std::string Text() const;

  void BeginUpdate() { ++FUpdateDepth; }
  // Tells the owner once when the outermost bracket closes after a change.
  void EndUpdate();

 private:
  void Changed();

  std::vector<std::string> FLines;
  std::function<void()> FChanged;
  int FUpdateDepth = 0;
  bool FChangedInUpdate = false;
};

}  // namespace sklad
