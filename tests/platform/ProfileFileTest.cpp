#include "platform/ProfileFile.h"
#include "platform/locale/CodePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

struct TReadCase {
  const char* Name;
  const char* Text;
  const char* Section;
  const char* Key;
  const char* Expected;  // with the default "výchozí"
};

void PrintTo(const TReadCase& value, std::ostream* out) { *out << value.Name; }

class ProfileReadTest : public ::testing::TestWithParam<TReadCase> {};

TEST_P(ProfileReadTest, ReadsTheValueOrTheDefault) {
  const TProfileFile profile = TProfileFile::FromText(GetParam().Text);
  EXPECT_EQ(profile.ReadString(GetParam().Section, GetParam().Key, "výchozí"),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    ProfileFileTest, ProfileReadTest,
    ::testing::Values(
        TReadCase{"Plain", "[1]\nnum=5\n", "1", "num", "5"},
        TReadCase{"CrLf", "[1]\r\nnum=5\r\nall=on\r\n", "1", "all", "on"},
        TReadCase{"TrimmedValue", "[1]\nd_caption =  Kvel CD 2002 \t\n", "1", "d_caption",
                  "Kvel CD 2002"},
        TReadCase{"SpacesInSectionLine", "  [ 1 ]  \nnum=7\n", "1", "num", "7"},
        TReadCase{"SectionCase", "[Databáze]\nnum=2\n", "DATABÁZE", "num", "2"},
        TReadCase{"KeyCase", "[1]\nD_NAME=t.dat\n", "1", "d_name", "t.dat"},
        TReadCase{"EmptyValue", "[1]\nnum=\n", "1", "num", ""},
        TReadCase{"ValueWithEquals", "[1]\ninet=http://x.cz/?a=b\n", "1", "inet",
                  "http://x.cz/?a=b"},
        TReadCase{"MissingKey", "[1]\nnum=5\n", "1", "all", "výchozí"},
        TReadCase{"MissingSection", "[1]\nnum=5\n", "2", "num", "výchozí"},
        TReadCase{"KeyOfAnotherSection", "[1]\n[2]\nnum=5\n", "1", "num", "výchozí"},
        TReadCase{"KeyBeforeAnySection", "num=5\n[1]\n", "1", "num", "výchozí"},
        TReadCase{"CommentLine", "[1]\n;num=5\n", "1", "num", "výchozí"},
        TReadCase{"GarbageLines", "[1]\n\x01garbage\n=5\nnum=3\n", "1", "num", "3"},
        TReadCase{"FirstOfRepeatedKey", "[1]\nnum=3\nnum=4\n", "1", "num", "3"},
        TReadCase{"RepeatedSectionAddsKeys", "[1]\nnum=3\n[2]\n[1]\nall=on\n", "1", "all", "on"},
        TReadCase{"UnclosedSection", "[1\nnum=6\n", "1", "num", "6"},
        TReadCase{"Empty", "", "1", "num", "výchozí"},
        TReadCase{"NoLineEndAtEnd", "[1]\nnum=8", "1", "num", "8"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ProfileFileTest, SectionNamesInFileOrderEachOnce) {
  const TProfileFile profile =
      TProfileFile::FromText("[2]\na=1\n[1]\n[Dva]\n[2]\nb=2\n[dva]\n");
  EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"2", "1", "Dva"}));
  EXPECT_TRUE(TProfileFile::FromText("num=1\n").SectionNames().empty());
}

class ProfileFileOnDiskTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove(FFileName); }
  const std::string FFileName =
      (std::filesystem::temp_directory_path() /
       ("profile-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini"))
          .string();
};

TEST_F(ProfileFileOnDiskTest, ReadsCodePage1250Text) {
  std::ofstream(FFileName, std::ios::binary)
      << Utf8ToCodePage("[Ročník]\r\nd_caption=Speciály – ovladače\r\n", 1250);
  const TProfileFile profile(FFileName, 1250);
  EXPECT_EQ(profile.ReadString("ROČNÍK", "d_caption", ""), "Speciály – ovladače");
  EXPECT_EQ(profile.SectionNames(), std::vector<std::string>{"Ročník"});
}

TEST_F(ProfileFileOnDiskTest, MissingFileGivesDefaultsAndNoSections) {
  const TProfileFile profile(FFileName + ".missing", 1250);
  EXPECT_EQ(profile.ReadString("1", "d_caption", "Databáze"), "Databáze");
  EXPECT_TRUE(profile.SectionNames().empty());
}

TEST_F(ProfileFileOnDiskTest, DirectoryInsteadOfFileGivesDefaults) {
  std::filesystem::create_directory(FFileName);
  const TProfileFile profile(FFileName, 1250);
  EXPECT_EQ(profile.ReadString("1", "num", "1"), "1");
  EXPECT_TRUE(profile.SectionNames().empty());
}

}  // namespace
}  // namespace platform
