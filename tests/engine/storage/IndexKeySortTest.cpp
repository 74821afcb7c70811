// The order of a batch of keys for building an index: the same as comparing whole keys in the
// index's order (ties by record number), for keys compared as bytes in both directions, with a
// long shared prefix and with equal keys, and for keys compared through the Czech collation.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/index/IndexKeySort.h"
#include "engine/storage/index/KeyCollation.h"
#include "engine/storage/index/LocaleKeyCollation.h"

namespace sklad {
namespace {

TEST(IndexKeySort, PositionsFollowTheIndexOrder) {
  struct Case {
    const char* what;
    uint16_t language;
    bool descending;
    bool unique;
    std::string sharedPrefix;
  };
  const Case cases[] = {
      {"bytes, ascending", 0, false, false, ""},
      {"bytes, descending", 0, true, false, ""},
      {"bytes, unique with equal keys", 0, false, true, ""},
      {"bytes, a prefix longer than the window", 0, false, true, "spolecny zacatek "},
      {"Czech collation", 1029, false, true, "p"},
      {"Czech collation, descending", 1029, true, false, ""},
  };
  int recordSize = 0;
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("S", TFieldType::String, 30)}, &recordSize);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TIndexDefinition definition;
    definition.SetName("S");
    definition.SetUnique(c.unique);
    definition.SetDescending(c.descending);
    definition.SetFieldNumber(0, 1);
    const TKeyLayout layout = TKeyLayout::ForIndex(definition, fields, c.language, 0);
    std::unique_ptr<TKeyCollation> collation;
    if (c.language == 0) {
      collation = std::make_unique<TBytewiseKeyCollation>();
    } else {
      collation = std::make_unique<TLocaleKeyCollation>(c.language, 0);
    }
    const TKeyOrder order(layout, *collation);
    const size_t keyLength = static_cast<size_t>(layout.KeyLength());

    std::mt19937 random(9);
    const std::string letters = "aAbBcC\xE8\xC8hH";  // č Č among them
    std::vector<uint8_t> keys;
    std::vector<uint32_t> numbers;
    for (uint32_t i = 0; i < 3000; ++i) {
      std::string text = c.sharedPrefix;
      for (int n = static_cast<int>(random() % 4); n >= 0; --n) text += letters[random() % letters.size()];
      testing::TRecordBuilder record(fields, recordSize);
      record.SetString(0, text).Identity(static_cast<int32_t>(random() % 100000));
      keys.resize(keys.size() + keyLength);
      layout.BuildKey(record.Bytes(), keys.data() + keys.size() - keyLength);
      numbers.push_back(static_cast<uint32_t>(random() % 100000));
    }
    std::vector<uint32_t> expected(numbers.size());
    std::iota(expected.begin(), expected.end(), 0u);
    std::sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
      const int result = order.Compare(keys.data() + a * keyLength, keys.data() + b * keyLength,
                                       static_cast<int>(keyLength));
      return result < 0 || (result == 0 && numbers[a] < numbers[b]);
    });
    const std::vector<uint32_t> positions = SortedKeyPositions(keys, numbers, layout, order);
    // Positions of equal keys with equal numbers may come in either order: compare what they hold.
    ASSERT_EQ(positions.size(), expected.size());
    for (size_t i = 0; i < positions.size(); ++i) {
      ASSERT_EQ(order.Compare(keys.data() + positions[i] * keyLength, keys.data() + expected[i] * keyLength,
                              static_cast<int>(keyLength)),
                0)
          << i;
      ASSERT_EQ(numbers[positions[i]], numbers[expected[i]]) << i;
    }
  }
}

}  // namespace
}  // namespace sklad
