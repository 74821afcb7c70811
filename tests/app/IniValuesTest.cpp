#include "app/IniValues.h"

#include <gtest/gtest.h>

namespace rejstrik {
namespace {

struct TNumberCase {
  const char* Text;
  int Value;
};

void PrintTo(const TNumberCase& value, std::ostream* out) { *out << value.Text; }

class StrToIntTest : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(StrToIntTest, ConvertsDecimalText) {
  EXPECT_EQ(StrToInt(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(IniValuesTest, StrToIntTest,
                         ::testing::Values(TNumberCase{"5", 5}, TNumberCase{"012", 12},
                                           TNumberCase{"-3", -3}, TNumberCase{"+7", 7},
                                           TNumberCase{"2147483647", 2147483647}));

class StrToIntErrorTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StrToIntErrorTest, RejectsWhatIsNotAnInteger) {
  try {
    StrToInt(GetParam());
    FAIL() << "accepted '" << GetParam() << "'";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.what(), "'" + std::string(GetParam()) + "' is not a valid integer value");
  }
}

INSTANTIATE_TEST_SUITE_P(IniValuesTest, StrToIntErrorTest,
                         ::testing::Values("", "pět", "5a", "1.5", "+", "-", "+-5", "--5",
                                           "2147483648", "0x10"));

TEST(IniValuesTest, TableNameIsTheFileNameBeforeItsFirstDotOrTheWholeName) {
  const auto ini = platform::TProfileFile::FromText(
      "[1]\nd_name=kvel.2002.dat\n[2]\nd_name=kvel2003\n[3]\nd_name=.dat\n");
  EXPECT_EQ(DatabaseTableName(ini, "1"), "kvel");
  EXPECT_EQ(DatabaseTableName(ini, "2"), "kvel2003");
  EXPECT_EQ(DatabaseTableName(ini, "3"), "");
  EXPECT_EQ(DatabaseTableName(ini, "4"), "");
}

TEST(IniValuesTest, CaptionDefaultsToDatabaze) {
  const auto ini = platform::TProfileFile::FromText("[1]\nd_caption=Kvel CD\n[2]\n");
  EXPECT_EQ(DatabaseCaption(ini, "1"), "Kvel CD");
  EXPECT_EQ(DatabaseCaption(ini, "2"), "Databáze");
}

}  // namespace
}  // namespace rejstrik
