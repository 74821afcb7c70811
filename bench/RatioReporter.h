// Runs a program's benchmarks and, after the usual table, prints for every pair of benchmarks
// named ".../<case>/sklad..." and ".../<case>/sqlite..." the ratio of our time to SQLite's
// (below 1: we are faster).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace sklad::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();
      for (const char* side : {"/sklad", "/sqlite"}) {
        const auto end = name.find(side);
        if (end == std::string::npos) continue;
        const auto start = name.rfind('/', end - 1);
        const std::string caseName = name.substr(start == std::string::npos ? 0 : start + 1, end - start - 1);
        (side[2] == 'k' ? FCases[caseName].first : FCases[caseName].second) = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // CPU time, so that other work on the machine does not skew the ratio.
  void PrintRatios() const {
    std::printf("\n%-32s %14s\n", "case", "sklad/sqlite");
    for (const auto& [caseName, times] : FCases)
      if (times.first > 0 && times.second > 0)
        std::printf("%-32s %14.2f\n", caseName.c_str(), times.first / times.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> FCases;  // our time, SQLite's
};

inline int RunWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}

}  // namespace sklad::bench
