#include "tools/sklad/ProgressBar.h"

#include <algorithm>

namespace sklad::tool {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

TProgressBar::TProgressBar(std::ostream& stream, bool enabled, std::string label)
    : FStream(stream), FEnabled(enabled), FLabel(std::move(label)) {}

TProgressBar::~TProgressBar() {
  if (FEnabled && FShownPercent >= 0) FStream << "\n" << std::flush;
}

void TProgressBar::Update(uint64_t done, uint64_t total) {
  if (!FEnabled) return;
  const int percent = total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(done, total) * 100 / total);
  if (percent == FShownPercent) return;
  FShownPercent = percent;
  const int filled = percent * kBarWidth / 100;
  FStream << "\r" << FLabel << " [" << std::string(static_cast<size_t>(filled), '#')
          << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << percent << "%" << std::flush;
}

}  // namespace sklad::tool
