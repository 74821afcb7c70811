// Runs a program's benchmarks and, after the usual table, prints for every pair of benchmarks
// named ".../<case>/<first>..." and ".../<case>/<second>..." the ratio of the first side's time
// to the second's: by default ours to SQLite's (below 1: we are faster).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sklad::bench {

// The two sides a program compares, as their names end its benchmarks' names.
struct TRatioSides {
  std::string First = "sklad";
  std::string Second = "sqlite";
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(TRatioSides sides = {}) : FSides(std::move(sides)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();
      for (const std::string* side : {&FSides.First, &FSides.Second}) {
        const auto end = name.find("/" + *side);
        if (end == std::string::npos) continue;
        const auto start = name.rfind('/', end - 1);
        const std::string caseName = name.substr(start == std::string::npos ? 0 : start + 1, end - start - 1);
        (side == &FSides.First ? FCases[caseName].first : FCases[caseName].second) = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // CPU time, so that other work on the machine does not skew the ratio.
  void PrintRatios() const {
    const std::string title = FSides.First + "/" + FSides.Second;
    std::printf("\n%-32s %14s\n", "case", title.c_str());
    for (const auto& [caseName, times] : FCases)
      if (times.first > 0 && times.second > 0)
        std::printf("%-32s %14.2f\n", caseName.c_str(), times.first / times.second);
  }

 private:
  TRatioSides FSides;
  std::map<std::string, std::pair<double, double>> FCases;  // the first side's time, the second's
};

inline int RunWithRatios(int argc, char** argv, TRatioSides sides = {}) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(std::move(sides));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}

}  // namespace sklad::bench
