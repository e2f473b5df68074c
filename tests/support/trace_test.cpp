#include "support/trace.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/test_environment.hpp"

namespace tg {
namespace {

std::string expensiveText(int& built) {
  ++built;
  return "file.point filename = X";
}

TEST(TraceTest, BuildsNoTextWhenOffAndWritesOneLinePerCallWhenOn) {
  test::TemporaryFolder folder;
  const std::string log = folder.folder() + "trace.log";
  int built = 0;
  disableTrace();
  TG_TRACE(expensiveText(built));
  EXPECT_EQ(built, 0);
  {
    test::ScopedEnvironment file("TESSAGLYPH_DEBUG_LOG", log), flag("TESSAGLYPH_DEBUG", "0");
    configureTraceFromEnvironment();
  }
  TG_TRACE(expensiveText(built));
  TG_TRACE(std::string("second line"));
  disableTrace();
  EXPECT_EQ(built, 1);
  std::ifstream in(log);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "file.point filename = X\nsecond line\n");
  test::ScopedEnvironment noFile("TESSAGLYPH_DEBUG_LOG", std::nullopt),
      flag("TESSAGLYPH_DEBUG", "0");
  configureTraceFromEnvironment();
  EXPECT_FALSE(traceEnabled());
}

}  // namespace
}  // namespace tg
