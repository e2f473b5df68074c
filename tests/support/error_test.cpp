#include "tessaglyph/error.hpp"

#include <gtest/gtest.h>

#include "tessaglyph/types.hpp"

namespace tg {
namespace {

TEST(PlatformErrorTest, RaisesNumberWithPlatformTextAndSource) {
  try {
    raisePlatformError(PLATFORM_E_OVERFLOW, "Somewhere::member");
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.source(), "Somewhere::member");
    EXPECT_EQ(e.description(), "Overflow");
    EXPECT_STREQ(e.what(), "Overflow");
  }
  EXPECT_EQ(platformErrorText(9), "Subscript out of range");
  EXPECT_EQ(platformErrorText(75), "Path/File access error");
  EXPECT_EQ(platformErrorText(12345), "");
}

TEST(ArrayTest, KeepsItsOwnLowerBound) {
  Array<int> oneBased(1, {10, 20, 30});
  EXPECT_EQ(oneBased.lbound(), 1);
  EXPECT_EQ(oneBased.ubound(), 3);
  EXPECT_EQ(oneBased[1], 10);
  EXPECT_EQ(oneBased.at(3), 30);
  EXPECT_THROW(oneBased.at(0), Error);
  EXPECT_THROW(oneBased.at(4), Error);

  auto empty = Array<int>::withBounds(0, -1);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.ubound(), -1);
  auto single = Array<int>::withBounds(0, 0);
  EXPECT_EQ(single.size(), 1u);
}

}  // namespace
}  // namespace tg
