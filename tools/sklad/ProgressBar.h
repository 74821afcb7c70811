// TProgressBar: a one-line bar on the error stream showing how far a long command has come, drawn
// only when that stream is a terminal and redrawn only when the percentage changes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace sklad::tool {

class TProgressBar {
 public:
  TProgressBar(std::ostream& stream, bool enabled, std::string label);
  // Ends the line when a bar was drawn.
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  void Update(uint64_t done, uint64_t total);

 private:
  std::ostream& FStream;
  bool FEnabled;
  std::string FLabel;
  int FShownPercent = -1;
};

}  // namespace sklad::tool
