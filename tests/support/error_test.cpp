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
    EXPECT_STREQ(e.what(), "Overflow");
  }
  EXPECT_EQ(platformErrorText(12345), "");
}

TEST(ArrayTest, KeepsItsOwnLowerBound) {
  Array<int> oneBased(1, {10, 20, 30});
  EXPECT_EQ(oneBased.ubound(), 3);
  EXPECT_EQ(oneBased.at(3), 30);
  EXPECT_THROW(oneBased.at(0), Error);
  EXPECT_THROW(oneBased.at(4), Error);

  EXPECT_TRUE((Array<int>::withBounds(0, -1).empty()));
  EXPECT_EQ((Array<int>::withBounds(0, 0).size()), 1u);
}

}  // namespace
}  // namespace tg
