#include "support/trace.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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

  setTraceFile(log);
  TG_TRACE(expensiveText(built));
  TG_TRACE(std::string("second line"));
  disableTrace();
  EXPECT_EQ(built, 1);

  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "file.point filename = X\nsecond line\n");
}

TEST(TraceTest, EnvironmentChoosesTheDestination) {
  test::TemporaryFolder folder;
  {
    test::ScopedEnvironment file("TESSAGLYPH_DEBUG_LOG", folder.folder() + "env.log");
    configureTraceFromEnvironment();
    EXPECT_TRUE(traceEnabled());
  }
  {
    test::ScopedEnvironment file("TESSAGLYPH_DEBUG_LOG", std::nullopt);
    test::ScopedEnvironment debug("TESSAGLYPH_DEBUG", "1");
    configureTraceFromEnvironment();
    EXPECT_TRUE(traceEnabled());
  }
  {
    test::ScopedEnvironment file("TESSAGLYPH_DEBUG_LOG", std::nullopt);
    test::ScopedEnvironment debug("TESSAGLYPH_DEBUG", "0");
    configureTraceFromEnvironment();
    EXPECT_FALSE(traceEnabled());
  }
}

}  // namespace
}  // namespace tg
