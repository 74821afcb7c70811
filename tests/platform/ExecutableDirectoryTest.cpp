#include "platform/ExecutableDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace platform {
namespace {

TEST(ExecutableDirectoryTest, IsTheAbsoluteDirectoryOfThisProgramWithATrailingSlash) {
  const std::string directory = ExecutableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.front(), '/');
  EXPECT_EQ(directory.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(directory + "platform_tests"));
}

}  // namespace
}  // namespace platform
