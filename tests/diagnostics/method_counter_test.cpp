#include "tessaglyph/method_counter.hpp"

#include <gtest/gtest.h>

#include <optional>
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
};

struct Step {
  float at;
  const char* start;  // nullptr: methodEnd
};
struct Counted {
  const char* name;
  Long calls, suspensions;
  float elapsed;
};

// Calls, suspensions, exclusive time and totals after a run of starts and ends.
TEST_F(MethodCounterTest, CountsCallsSuspensionsAndExclusiveTime) {
  const std::pair<std::vector<Step>, std::vector<Counted>> rows[] = {
      {{}, {}},
      {{{100, "A"}, {102, "B"}, {107, nullptr}, {108, nullptr}}, {{"a", 1, 1, 3}, {"b", 1, 0, 5}}},
      {{{100, "R"}, {101, "R"}, {103, nullptr}, {104, nullptr}}, {{"R", 2, 1, 4}}},
      {{{100, nullptr}, {100, "A"}, {101, nullptr}, {150, nullptr}}, {{"A", 1, 0, 1}}},
      {{{86399, "A"}, {1, nullptr}}, {{"A", 1, 0, -86398}}},
      {{{100, " tf::x "}, {101, nullptr}, {101, "TF::X"}, {103, nullptr}}, {{"Tf::X", 2, 0, 3}}}};
  for (const auto& [steps, expected] : rows) {
    MethodCounter fresh{[this] { return now; }};
    for (const auto& [at, start] : steps) {
      now = at;
      start ? fresh.methodStart(start) : fresh.methodEnd();
    }
    Long calls = 0, suspensions = 0;
    float elapsed = 0;
    ASSERT_EQ(fresh.numLoggedMethods(), Long(expected.size()));
    for (const auto& c : expected) {
      const auto index = Integer(fresh.methodIndex(c.name));
      SCOPED_TRACE(c.name);
      EXPECT_EQ(fresh.methodCallCount(index), c.calls);
      EXPECT_EQ(fresh.methodToCCount(index), c.suspensions);
      EXPECT_FLOAT_EQ(fresh.methodElapsedTime(index), c.elapsed);
      calls += c.calls, suspensions += c.suspensions, elapsed += c.elapsed;
    }
    EXPECT_EQ(fresh.totalCallCount(), calls);
    EXPECT_EQ(fresh.totalToCCount(), suspensions);
    EXPECT_FLOAT_EQ(fresh.totalLoggedTime(), elapsed);
  }
  // A method keeps the name it was first seen with; an unknown one has no index.
  counter.methodStart("  tf::point ");
  counter.methodStart("Other");
  EXPECT_EQ(counter.methodName(0), "  tf::point ");
  EXPECT_EQ(counter.methodIndex("OTHER"), 1);
  EXPECT_EQ(counter.methodIndex("anything"), -1);
  EXPECT_EQ(test::errorNumber([&] { (void)counter.methodName(-1); }), 9);
  EXPECT_EQ(test::errorNumber([&] { (void)counter.methodName(2); }), 9);
}

TEST_F(MethodCounterTest, ScopeReportsEntryAndEveryExitAndNothingWithoutProfiler) {
  {
    MethodScope outer(&counter, "TessaglyphFile::openSource");
    now = 101.0f;
    try {
      MethodScope inner(&counter, "TessaglyphMachine::routine");
      now = 104.0f;
      throw Error(1, "", "leaves through an error");
    } catch (const Error&) {
    }
    now = 106.0f;
  }
  EXPECT_EQ(counter.numLoggedMethods(), 2);
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(0), 3.0f);
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(1), 3.0f);
  // Both clocks stopped: a further end is ignored.
  counter.methodEnd();
  EXPECT_FLOAT_EQ(counter.totalLoggedTime(), 6.0f);

  { MethodScope none(nullptr, "TessaglyphFile::point"); }
  EXPECT_EQ(counter.methodIndex("TessaglyphFile::point"), -1);
}

}  // namespace
}  // namespace tg
