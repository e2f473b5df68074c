#include "tessaglyph/method_counter.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

// A clock the test advances by hand, so exclusive times are exact.
class MethodCounterTest : public ::testing::Test {
 protected:
  float now = 100.0f;
  MethodCounter counter{[this] { return now; }};

  // Per method "name:calls/suspensions/exclusive time", then the totals.
  static std::string summary(const MethodCounter& c) {
    std::string text;
    char figures[64];
    for (Integer i = 0; i < c.numLoggedMethods(); ++i) {
      std::snprintf(figures, sizeof figures, ":%d/%d/%g ", int(c.methodCallCount(i)),
                    int(c.methodToCCount(i)), double(c.methodElapsedTime(i)));
      text += c.methodName(i) + figures;
    }
    std::snprintf(figures, sizeof figures, "= %d/%d/%g", int(c.totalCallCount()),
                  int(c.totalToCCount()), double(c.totalLoggedTime()));
    return text + figures;
  }
};

// Steps (the time, then a start or, for nullptr, an end) and the summary after them.
TEST_F(MethodCounterTest, CountsCallsSuspensionsAndExclusiveTime) {
  // clang-format off
  const std::pair<std::vector<std::pair<float, const char*>>, const char*> rows[] = {
      {{{100, "A"}, {102, "B"}, {107, nullptr}, {108, nullptr}}, "A:1/1/3 B:1/0/5 = 2/1/8"},
      {{{100, "R"}, {101, "R"}, {103, nullptr}, {104, nullptr}}, "R:2/1/4 = 2/1/4"},
      {{{100, nullptr}, {100, "A"}, {101, nullptr}, {150, nullptr}}, "A:1/0/1 = 1/0/1"},
      {{{86399, "A"}, {1, nullptr}}, "A:1/0/-86398 = 1/0/-86398"},
      {{{100, " tf::x "}, {101, nullptr}, {101, "TF::X"}, {103, nullptr}}, " tf::x :2/0/3 = 2/0/3"}};
  // clang-format on
  for (const auto& [steps, expected] : rows) {
    MethodCounter fresh{[this] { return now; }};
    for (const auto& [at, start] : steps) {
      now = at;
      start ? fresh.methodStart(start) : fresh.methodEnd();
    }
    EXPECT_EQ(summary(fresh), expected);
  }
  counter.methodStart("  tf::point ");
  EXPECT_EQ(counter.methodIndex("TF::Point"), 0);
  EXPECT_EQ(counter.methodIndex("anything"), -1);
  EXPECT_EQ(test::errorNumber([&] { (void)counter.methodName(-1); }), 9);
  EXPECT_EQ(test::errorNumber([&] { (void)counter.methodName(1); }), 9);
}

// A scope ends its method however it is left, and does nothing without a profiler.
TEST_F(MethodCounterTest, ScopeReportsEntryAndEveryExitAndNothingWithoutProfiler) {
  {
    MethodScope outer(&counter, "Outer");
    now = 101.0f;
    try {
      MethodScope inner(&counter, "Inner");
      now = 104.0f;
      throw Error(1, "", "leaves through an error");
    } catch (const Error&) {
    }
    now = 106.0f;
  }
  counter.methodEnd();  // both clocks stopped: ignored
  { MethodScope none(nullptr, "None"); }
  EXPECT_EQ(summary(counter), "Outer:1/1/3 Inner:1/0/3 = 2/1/6");
}

}  // namespace
}  // namespace tg
