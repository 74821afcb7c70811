// Comparing Czech string keys: the engine's locale comparison (ICU collation through the cached
// collator) against a plain byte comparison and against comparing ICU sort keys made beforehand.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/storage/language/LanguageMaps.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/Collation.h"

namespace {

constexpr uint16_t kCzech = 1029;
constexpr int kKeyCount = 4096;

// Words of Czech-looking syllables in code page 1250, 4 to 30 characters long.
const std::vector<std::string>& CzechKeys() {
  static const std::vector<std::string> keys = [] {
    const char* syllables[] = {"ná", "kup", "ří", "ch", "ča", "do", "vě", "šť", "ka", "žlu", "ťou",
                               "ký", "kůň", "úp", "ěl", "ďá", "bel", "ské", "ó", "dy", "str", "ní"};
    std::mt19937 random(1029);
    std::vector<std::string> out;
    for (int i = 0; i < kKeyCount; ++i) {
      std::string word;
      const int parts = 2 + static_cast<int>(random() % 8);
      for (int p = 0; p < parts; ++p) word += syllables[random() % std::size(syllables)];
      out.push_back(platform::Utf8ToCodePage(word, 1250).substr(0, 30));
    }
    return out;
  }();
  return keys;
}

template <typename Compare>
void ComparePairs(benchmark::State& state, Compare compare) {
  const std::vector<std::string>& keys = CzechKeys();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(compare(keys[i], keys[(i + 1) % keys.size()]));
    i = (i + 1) % keys.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_CompareCzechCollation(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) {
    return sklad::CompareStrings(kCzech, 0, false, a, b);
  });
}
BENCHMARK(BM_CompareCzechCollation);

void BM_CompareCzechCaseInsensitive(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) {
    return sklad::CompareStrings(kCzech, 0, true, a, b);
  });
}
BENCHMARK(BM_CompareCzechCaseInsensitive);

void BM_CompareBytes(benchmark::State& state) {
  ComparePairs(state, [](const std::string& a, const std::string& b) {
    return sklad::CompareStrings(0, 0, false, a, b);
  });
}
BENCHMARK(BM_CompareBytes);

void BM_CompareIcuSortKeys(benchmark::State& state) {
  const platform::LocaleCollator& collator =
      platform::CollatorFor(kCzech, 1250, {.ignoreNonSpacing = true, .stringSort = true});
  std::vector<std::string> sortKeys;
  for (const std::string& key : CzechKeys()) sortKeys.push_back(collator.SortKey(key));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sortKeys[i].compare(sortKeys[(i + 1) % sortKeys.size()]));
    i = (i + 1) % sortKeys.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompareIcuSortKeys);

void BM_MakeIcuSortKey(benchmark::State& state) {
  const platform::LocaleCollator& collator =
      platform::CollatorFor(kCzech, 1250, {.ignoreNonSpacing = true, .stringSort = true});
  const std::vector<std::string>& keys = CzechKeys();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(collator.SortKey(keys[i]));
    i = (i + 1) % keys.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MakeIcuSortKey);

// A whole sort of the keys, the way an index build or ORDER BY uses the comparison.
void BM_SortKeysCzech(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> keys = CzechKeys();
    std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
      return sklad::CompareStrings(kCzech, 0, false, a, b) < 0;
    });
    benchmark::DoNotOptimize(keys.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeyCount);
}
BENCHMARK(BM_SortKeysCzech);

void BM_SortKeysBytes(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> keys = CzechKeys();
    std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
      return sklad::CompareStrings(0, 0, false, a, b) < 0;
    });
    benchmark::DoNotOptimize(keys.data());
  }
  state.SetItemsProcessed(state.iterations() * kKeyCount);
}
BENCHMARK(BM_SortKeysBytes);

}  // namespace

BENCHMARK_MAIN();
