#include "tessaglyph/method_counter.hpp"

#include <gtest/gtest.h>

#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

// A clock the test advances by hand, so exclusive times are exact.
class MethodCounterTest : public ::testing::Test {
 protected:
  float now = 100.0f;
  MethodCounter counter{[this] { return now; }};
};

TEST_F(MethodCounterTest, FreshCounterIsEmpty) {
  EXPECT_EQ(counter.numLoggedMethods(), 0);
  EXPECT_EQ(counter.totalLoggedTime(), 0.0f);
  EXPECT_EQ(counter.totalCallCount(), 0);
  EXPECT_EQ(counter.totalToCCount(), 0);
  EXPECT_EQ(counter.methodIndex("anything"), -1);
}

TEST_F(MethodCounterTest, NamesAreKeyedTrimmedAndUpperCasedButKeepTheirFirstForm) {
  counter.methodStart("  tessaglyphfile::point ");
  counter.methodEnd();
  counter.methodStart("TESSAGLYPHFILE::POINT");
  counter.methodEnd();
  ASSERT_EQ(counter.numLoggedMethods(), 1);
  EXPECT_EQ(counter.methodIndex("TessaglyphFile::point"), 0);
  EXPECT_EQ(counter.methodName(0), "  tessaglyphfile::point ");
  EXPECT_EQ(counter.methodCallCount(0), 2);
}

TEST_F(MethodCounterTest, NestedCallsStopTheEnclosingClock) {
  counter.methodStart("A");  // A runs 100..102
  now = 102.0f;
  counter.methodStart("B");  // B runs 102..107
  now = 107.0f;
  counter.methodEnd();  // A resumes 107..108
  now = 108.0f;
  counter.methodEnd();

  const Long a = counter.methodIndex("a");
  const Long b = counter.methodIndex("b");
  ASSERT_EQ(a, 0);
  ASSERT_EQ(b, 1);
  EXPECT_EQ(counter.methodCallCount(Integer(a)), 1);
  EXPECT_EQ(counter.methodToCCount(Integer(a)), 1);
  EXPECT_EQ(counter.methodCallCount(Integer(b)), 1);
  EXPECT_EQ(counter.methodToCCount(Integer(b)), 0);
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(Integer(a)), 3.0f);
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(Integer(b)), 5.0f);
  EXPECT_FLOAT_EQ(counter.totalLoggedTime(), 8.0f);
  EXPECT_EQ(counter.totalCallCount(), 2);
  EXPECT_EQ(counter.totalToCCount(), 1);
}

TEST_F(MethodCounterTest, RecursionSuspendsTheSameMethod) {
  counter.methodStart("R");
  now = 101.0f;
  counter.methodStart("R");
  now = 103.0f;
  counter.methodEnd();
  now = 104.0f;
  counter.methodEnd();
  EXPECT_EQ(counter.methodCallCount(0), 2);
  EXPECT_EQ(counter.methodToCCount(0), 1);
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(0), 4.0f);
}

TEST_F(MethodCounterTest, UnmatchedEndChangesNothing) {
  counter.methodEnd();
  EXPECT_EQ(counter.numLoggedMethods(), 0);
  counter.methodStart("A");
  now = 101.0f;
  counter.methodEnd();
  now = 150.0f;
  counter.methodEnd();
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(0), 1.0f);
}

TEST_F(MethodCounterTest, MidnightGivesANegativeDifferenceAddedUnchanged) {
  now = 86399.0f;
  counter.methodStart("A");
  now = 1.0f;
  counter.methodEnd();
  EXPECT_FLOAT_EQ(counter.methodElapsedTime(0), -86398.0f);
}

TEST_F(MethodCounterTest, IndexOutsideTheTableRaisesSubscriptError) {
  counter.methodStart("A");
  counter.methodEnd();
  for (Integer bad : {Integer(-1), Integer(1)}) {
    try {
      (void)counter.methodName(bad);
      FAIL() << "index " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), 9);
    }
  }
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
