// The rate log on a clock the tests move by hand, and what its grapher refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "support/test_environment.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

// A local date and time.
Date localTime(int year, int month, int day, int hour, int minute, double second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_isdst = -1;
  const Date whole = std::chrono::system_clock::from_time_t(std::mktime(&local));
  return whole + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                     std::chrono::duration<double>(second));
}

class RateLogTest : public ::testing::Test {
 protected:
  void at(double secondsAfterStart) {
    m_now = m_start + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                          std::chrono::duration<double>(secondsAfterStart));
  }
  std::shared_ptr<TessaglyphAreaRateLog> startedLog() {
    auto log = std::make_shared<TessaglyphAreaRateLog>([this] { return m_now; });
    m_now = m_start;
    log->start();
    return log;
  }

  Date m_start = localTime(2026, 3, 14, 12, 0, 0);
  Date m_now = m_start;
};

TEST_F(RateLogTest, ASecondsPointsMakeOneEntry) {
  const auto log = startedLog();
  EXPECT_EQ(log->minimumPPS(), -1);
  EXPECT_EQ(log->maximumValidPPS(), -1);
  for (int i = 0; i < 10; ++i) {
    at(0.09 * i);
    log->countPoint(i < 7 ? 100.0f : -32101.0f);
  }
  at(1.0);  // a whole second on: the entry is due
  log->countPoint(-32100);
  ASSERT_EQ(log->numEvents(), 2);
  EXPECT_EQ(log->rateEvent(0), (TG_ARL_RATEEVENT{TG_ARL_RET_PPSENTRY, 1.0f, 11}));
  EXPECT_EQ(log->rateEvent(1), (TG_ARL_RATEEVENT{TG_ARL_RET_VALIDPPSENTRY, 1.0f, 8}));
  at(1.5);
  log->countPoint(5);
  at(2.3);
  log->countPoint(5);
  EXPECT_EQ(log->maximumPPS(), 11);
  EXPECT_EQ(log->minimumPPS(), 2);
  EXPECT_EQ(log->minimumValidPPS(), 2);
  EXPECT_FLOAT_EQ(log->timeSinceLastPPSEvent(2), 1.3f);
  EXPECT_FLOAT_EQ(log->timeSinceLastValidPPSEvent(2), 1.3f);
  EXPECT_FLOAT_EQ(log->timeSinceLastPPSEvent(0), 1.0f);
  EXPECT_TRUE(test::raises([&] { log->rateEvent(4); }, 9, "Subscript out of range"));
}

TEST_F(RateLogTest, StoppingFreezesTheElapsedTimeInWholeSeconds) {
  const auto log = startedLog();
  for (int i = 0; i < 30; ++i) {
    at(i * 0.25);
    log->countPoint(1);
  }
  at(7.6);
  log->stopLog();
  at(100);
  EXPECT_EQ(log->elapsedTime(), 7);
  EXPECT_FLOAT_EQ(log->averageValidPPS(), 30.0f / 7);
  log->countPoint(1);
  log->logEvent(TG_ARL_RET_SECTORCHANGE, 3);
  EXPECT_EQ(log->numPoints(), 30);
  log->reset();
  EXPECT_EQ(log->numEvents(), 0);
  EXPECT_EQ(log->numPoints(), 0);
  EXPECT_EQ(log->maximumPPS(), -1);
  EXPECT_EQ(TessaglyphAreaRateLog().averagePPS(), 0);
}

TEST_F(RateLogTest, SecondsKeepRisingAcrossMidnight) {
  m_start = localTime(2026, 3, 14, 23, 59, 59.5);
  const auto log = startedLog();
  at(1.0);
  log->logEvent(TG_ARL_RET_SECTORCHANGE, 2);
  at(86400 + 3);
  log->logEvent(TG_ARL_RET_FILEOPEN, 7);
  ASSERT_EQ(log->numEvents(), 2);
  EXPECT_FLOAT_EQ(log->rateEvent(0).secondsIn, 1.0f);
  EXPECT_FLOAT_EQ(log->rateEvent(1).secondsIn, 86403.0f);
}

TEST_F(RateLogTest, TheEventArrayGrowsByFiveHundredUntilItIsFull) {
  const auto log = startedLog();
  for (Long i = 0; i < kRateLogInitialEvents; ++i)
    log->logEvent(TG_ARL_RET_SECTORCHANGE, i);
  log->logEvent(TG_ARL_RET_FILECLOSE, 9);
  ASSERT_EQ(log->numEvents(), kRateLogInitialEvents + 2);
  EXPECT_EQ(log->rateEvent(kRateLogInitialEvents).eventType, TG_ARL_RET_ARRAYRESIZE);
  Long logged = log->numEvents();
  while (logged < kRateLogMaximumEvents) {
    log->logEvent(TG_ARL_RET_SECTORCHANGE, 0);
    logged = log->numEvents();
  }
  EXPECT_EQ(logged, kRateLogMaximumEvents);
  EXPECT_TRUE(test::raises(
      [&] { log->logEvent(TG_ARL_RET_SECTORCHANGE, 0); }, 12001,
      "The rate event log has been dimensioned to maximum capacity; no more events can be logged",
      "TessaglyphAreaRateLog::logEvent"));
  EXPECT_EQ(log->numEvents(), kRateLogMaximumEvents);
}

// The picture itself is not checked here: only what the grapher refuses.
TEST_F(RateLogTest, TheGraphRefusesAnUnwritablePathAndAMissingLog) {
  const auto log = startedLog();
  const auto grapher = log->createNewGrapher();
  test::TemporaryFolder folder;
  EXPECT_EQ(test::errorNumber([&] { grapher->writeSvg(folder.folder() + "no/such/rates.svg"); }),
            75);
  TessaglyphAreaRateGrapher unbound;
  EXPECT_EQ(test::errorNumber([&] { unbound.svg(); }), 5);
}

}  // namespace
}  // namespace tg
