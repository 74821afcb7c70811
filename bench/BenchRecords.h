// The record count of a benchmark: its full size, or SKLAD_BENCH_RECORDS for a quick look.
#pragma once

#include <cstdlib>

namespace sklad::bench {

inline int RecordCount(int fullSize) {
  const char* text = std::getenv("SKLAD_BENCH_RECORDS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fullSize;
}

}  // namespace sklad::bench
