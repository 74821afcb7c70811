// Index pages: the stored entry forms of the four compressions, packing and unpacking without
// loss, capacities, and the refusal of damaged pages.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/storage/index/IndexPage.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

constexpr int kCompressedSizeAt = 11;
constexpr int kEntriesAt = TPage::kHeaderSize;

TPage LeafPage(int keyLength, bool unique, TKeyCompression compression) {
  TPage page;
  page.Configure(1, keyLength, unique, compression);
  page.SetType(TPageType::LeafRoot);
  return page;
}

std::vector<uint8_t> StringKey(const char* text, int keyLength) {
  std::vector<uint8_t> key(static_cast<size_t>(keyLength), 0);
  key[0] = 1;
  std::memcpy(key.data() + 1, text, std::strlen(text));
  return key;
}

TEST(IndexPageTest, DuplicateBytesStoreOnlyWhatDiffersFromThePreviousKey) {
  TPage page = LeafPage(11, true, TKeyCompression::DuplicateBytes);
  page.Insert(0, StringKey("ABC", 11).data(), 5, 1);
  page.Insert(1, StringKey("ABD", 11).data(), 6, 1);
  std::vector<uint8_t> stored(TPage::kPageSize);
  ASSERT_TRUE(page.Pack(stored.data()));
  const uint8_t* second = stored.data() + kEntriesAt + (2 + 11 + 4);
  EXPECT_EQ(LoadLE<uint16_t>(second), 3);  // the presence byte and "AB"
  EXPECT_EQ(second[2], 'D');
  EXPECT_EQ(LoadLE<uint32_t>(second + 2 + 8), 6u);
  EXPECT_EQ(LoadLE<uint16_t>(stored.data() + kCompressedSizeAt), (11 + 6) + (11 - 3 + 6));
}

TEST(IndexPageTest, TrailingBytesKeepTheIdentityOfNonUniqueKeys) {
  TPage page = LeafPage(10, false, TKeyCompression::TrailingBytes);
  std::vector<uint8_t> key = StringKey("AB", 10);
  key[9] = 0;  // identity 0x00000000 must survive: it is never cut
  page.Insert(0, key.data(), 1, 1);
  std::vector<uint8_t> stored(TPage::kPageSize);
  ASSERT_TRUE(page.Pack(stored.data()));
  EXPECT_EQ(LoadLE<uint16_t>(stored.data() + kEntriesAt), 3);  // the key part is 6 bytes, 3 of them zeros
  EXPECT_EQ(LoadLE<uint16_t>(stored.data() + kCompressedSizeAt), 10 - 3 + 6);
}

TEST(IndexPageTest, FullCompressionCutsNothingAtTheEndWhenFewerThanFiveBytesRemain) {
  TPage page = LeafPage(8, true, TKeyCompression::Full);
  std::vector<uint8_t> first = StringKey("ABCD", 8), second = StringKey("ABCE", 8);
  page.Insert(0, first.data(), 1, 1);
  page.Insert(1, second.data(), 2, 1);
  std::vector<uint8_t> stored(TPage::kPageSize);
  ASSERT_TRUE(page.Pack(stored.data()));
  const uint8_t* entry = stored.data() + kEntriesAt + (2 + 5 + 4);  // the first entry: d 0, t 3
  EXPECT_EQ(stored[kEntriesAt + 1], 3);
  EXPECT_EQ(entry[0], 4);
  EXPECT_EQ(entry[1], 0);
}

class IndexPageRoundTripTest : public ::testing::TestWithParam<std::tuple<TKeyCompression, bool>> {};

TEST_P(IndexPageRoundTripTest, PackedPagesUnpackToTheSameEntries) {
  const auto [compression, unique] = GetParam();
  const int keyLength = 24;
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    TPage page = LeafPage(keyLength, unique, compression);
    page.Previous = 4096;
    page.Next = 8192 * 3;
    std::vector<std::vector<uint8_t>> keys;
    for (int i = 0; i < 40; ++i) {
      std::vector<uint8_t> key(keyLength, 0);
      const int used = static_cast<int>(random() % keyLength);
      for (int b = 0; b < used; ++b) key[static_cast<size_t>(b)] = static_cast<uint8_t>(random() % 3);
      keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < keys.size(); ++i) page.Insert(static_cast<int>(i), keys[i].data(), 100 + static_cast<uint32_t>(i), 1);
    std::vector<uint8_t> stored(TPage::kPageSize);
    ASSERT_TRUE(page.Pack(stored.data()));
    TPage read;
    read.Configure(1, keyLength, unique, compression);
    ASSERT_TRUE(read.Unpack(stored.data(), false));
    ASSERT_EQ(read.Count(), page.Count());
    EXPECT_EQ(read.Previous, 4096u);
    EXPECT_EQ(read.Next, 8192u * 3);
    EXPECT_EQ(read.CompressedSize(), page.CompressedSize());
    for (int i = 0; i < read.Count(); ++i) {
      EXPECT_EQ(0, std::memcmp(read.Key(i), keys[static_cast<size_t>(i)].data(), keyLength)) << i;
      EXPECT_EQ(read.Value(i), 100u + static_cast<uint32_t>(i));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Compressions, IndexPageRoundTripTest,
                         ::testing::Combine(::testing::Values(TKeyCompression::None, TKeyCompression::DuplicateBytes,
                                                              TKeyCompression::TrailingBytes, TKeyCompression::Full),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return "Compression" + std::to_string(static_cast<int>(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "_Unique" : "_Duplicates");
                         });

TEST(IndexPageTest, CapacitiesOfTheSmallestKeys) {
  TPage leaf = LeafPage(5, true, TKeyCompression::None);
  EXPECT_EQ(leaf.Capacity(), 371);
  TPage internal;
  internal.Configure(1, 5, true, TKeyCompression::None);
  EXPECT_EQ(internal.Capacity(), 272);
}

// A stored page with two entries of a duplicate-bytes leaf (K = 6), to be damaged.
std::vector<uint8_t> StoredCompressedPage() {
  TPage page = LeafPage(6, true, TKeyCompression::DuplicateBytes);
  page.Insert(0, StringKey("AB", 6).data(), 1, 1);
  page.Insert(1, StringKey("AC", 6).data(), 2, 1);
  std::vector<uint8_t> stored(TPage::kPageSize);
  page.Pack(stored.data());
  return stored;
}

struct TDamage {
  const char* What;
  int At;
  std::vector<uint8_t> Bytes;
};

void PrintTo(const TDamage& damage, std::ostream* out) { *out << damage.What; }

class IndexPageDamageTest : public ::testing::TestWithParam<TDamage> {};

TEST_P(IndexPageDamageTest, DamagedPagesAreRefused) {
  std::vector<uint8_t> stored = StoredCompressedPage();
  const TDamage& damage = GetParam();
  std::copy(damage.Bytes.begin(), damage.Bytes.end(), stored.begin() + damage.At);
  TPage page;
  page.Configure(1, 6, true, TKeyCompression::DuplicateBytes);
  EXPECT_FALSE(page.Unpack(stored.data(), false)) << damage.What;
}

INSTANTIATE_TEST_SUITE_P(
    Damages, IndexPageDamageTest,
    ::testing::Values(TDamage{"page type 4", 0, {4}},
                      TDamage{"more entries than the stored size holds", 1, {3, 0}},
                      TDamage{"a huge entry count", 1, {0xFF, 0xFF}},
                      TDamage{"compressed size beyond the page", kCompressedSizeAt, {0xF4, 0x0F}},
                      TDamage{"compressed size shorter than the entries", kCompressedSizeAt, {20, 0}},
                      TDamage{"first entry repeating bytes of no previous key", kEntriesAt, {1, 0}},
                      TDamage{"repeated bytes beyond the key length", kEntriesAt + 12, {7, 0}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(IndexPageTest, CutCountsThatOverlapAreRefused) {
  TPage page = LeafPage(8, true, TKeyCompression::Full);
  page.Insert(0, StringKey("ABCD", 8).data(), 1, 1);
  page.Insert(1, StringKey("ABCE", 8).data(), 2, 1);
  std::vector<uint8_t> stored(TPage::kPageSize);
  ASSERT_TRUE(page.Pack(stored.data()));
  const int second = kEntriesAt + 2 + 5 + 4;
  stored[second + 1] = 5;  // d 4 + t 5 > K 8
  TPage read;
  read.Configure(1, 8, true, TKeyCompression::Full);
  EXPECT_FALSE(read.Unpack(stored.data(), false));
}

TEST(IndexPageTest, UncompressedPagesWithMoreEntriesThanTheirCapacityAreRefused) {
  std::vector<uint8_t> stored(TPage::kPageSize, 0);
  stored[0] = static_cast<uint8_t>(TPageType::Internal);
  StoreLE<uint16_t>(stored.data() + 1, 273);
  TPage page;
  page.Configure(1, 5, true, TKeyCompression::None);
  EXPECT_FALSE(page.Unpack(stored.data(), false));
  StoreLE<uint16_t>(stored.data() + 1, 272);
  EXPECT_TRUE(page.Unpack(stored.data(), false));
}

}  // namespace
}  // namespace sklad
