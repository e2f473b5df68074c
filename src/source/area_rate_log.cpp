// The rate log: points per second and a time line of an area's events.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

#include "tessaglyph/area_rate_log.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr double kSecondsPerDay = 86400;

// The local calendar day (days since the epoch) and the time the day began.
void localDay(Date when, Long& day, Date& midnight) {
  using namespace std::chrono;
  const std::time_t whole = system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&whole, &local);
  const year_month_day date{year(local.tm_year + 1900), month(unsigned(local.tm_mon + 1)),
                            std::chrono::day(unsigned(local.tm_mday))};
  day = Long(sys_days(date).time_since_epoch().count());
  const auto sinceMidnight = hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
  midnight =
      time_point_cast<system_clock::duration>(system_clock::from_time_t(whole) - sinceMidnight);
}

}  // namespace

TessaglyphAreaRateLog::TessaglyphAreaRateLog()
    : TessaglyphAreaRateLog([] { return std::chrono::system_clock::now(); }) {}

TessaglyphAreaRateLog::TessaglyphAreaRateLog(Clock clock) : m_clock(std::move(clock)) {}

void TessaglyphAreaRateLog::dayAndTime(Date when, Long& day, double& timeOfDay) const {
  // The calendar is asked once a day; within the day the time of day is a difference.
  if (when < m_dayBegan || when >= m_dayBegan + std::chrono::hours(24)) {
    localDay(when, m_day, m_dayBegan);
  }
  day = m_day;
  timeOfDay = std::chrono::duration<double>(when - m_dayBegan).count();
}

double TessaglyphAreaRateLog::secondsSinceStart() const {
  Long day = 0;
  double timeOfDay = 0;
  dayAndTime(m_clock(), day, timeOfDay);
  return timeOfDay - m_startTimeOfDay + kSecondsPerDay * double(day - m_startDay);
}

Single TessaglyphAreaRateLog::elapsedTime() const {
  return m_started ? Single(secondsSinceStart()) : m_frozenElapsed;
}

Single TessaglyphAreaRateLog::averagePPS() const {
  const Single elapsed = elapsedTime();
  return elapsed > 0 ? Single(m_numPoints) / elapsed : 0;
}

Single TessaglyphAreaRateLog::averageValidPPS() const {
  const Single elapsed = elapsedTime();
  return elapsed > 0 ? Single(m_numValidPoints) / elapsed : 0;
}

TG_ARL_RATEEVENT TessaglyphAreaRateLog::rateEvent(Long index) const {
  if (index < 0 || index >= m_numEvents) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE);
  return m_events[std::size_t(index)];
}

Single TessaglyphAreaRateLog::timeSinceLast(Long index, TG_ARL_RATEEVENTTYPES type) const {
  const TG_ARL_RATEEVENT event = rateEvent(index);
  for (Long i = index - 1; i >= 0; --i) {
    if (m_events[std::size_t(i)].eventType == type) {
      return event.secondsIn - m_events[std::size_t(i)].secondsIn;
    }
  }
  return event.secondsIn;
}

Single TessaglyphAreaRateLog::timeSinceLastPPSEvent(Long index) const {
  return timeSinceLast(index, TG_ARL_RET_PPSENTRY);
}

Single TessaglyphAreaRateLog::timeSinceLastValidPPSEvent(Long index) const {
  return timeSinceLast(index, TG_ARL_RET_VALIDPPSENTRY);
}

std::shared_ptr<TessaglyphAreaRateGrapher> TessaglyphAreaRateLog::createNewGrapher() {
  auto grapher = std::make_shared<TessaglyphAreaRateGrapher>();
  grapher->setLog(shared_from_this());
  return grapher;
}

void TessaglyphAreaRateLog::reset() {
  m_numPoints = m_numValidPoints = 0;
  m_secondPoints = m_secondValidPoints = 0;
  m_maximumPPS = m_minimumPPS = m_maximumValidPPS = m_minimumValidPPS = -1;
  m_events.clear();
  m_events.shrink_to_fit();
  m_numEvents = 0;
  m_frozenElapsed = 0;
  m_lastEntry = m_started ? secondsSinceStart() : 0;
}

void TessaglyphAreaRateLog::start() {
  dayAndTime(m_clock(), m_startDay, m_startTimeOfDay);
  m_lastEntry = 0;
  m_started = true;
}

void TessaglyphAreaRateLog::stopLog() {
  if (!m_started) return;
  m_frozenElapsed = Single(std::floor(secondsSinceStart()));
  m_started = false;
}

void TessaglyphAreaRateLog::logEvent(TG_ARL_RATEEVENTTYPES etype, Long data) {
  if (!m_started) return;
  const double now = secondsSinceStart();
  if (m_events.empty()) {
    m_events.resize(std::size_t(kRateLogInitialEvents));
  } else if (m_numEvents >= Long(m_events.size())) {
    if (Long(m_events.size()) + kRateLogEventGrowth > kRateLogMaximumEvents) {
      throw Error(TG_ARL_E_RATELOGFULL, "TessaglyphAreaRateLog::logEvent",
                  std::string("The rate event log has been dimensioned to maximum ") +
                      "capacity; no more events can be logged");
    }
    m_events.resize(m_events.size() + std::size_t(kRateLogEventGrowth));
    m_events[std::size_t(m_numEvents++)] = {TG_ARL_RET_ARRAYRESIZE, Single(now), 0};
  }
  m_events[std::size_t(m_numEvents++)] = {etype, Single(now), data};
}

void TessaglyphAreaRateLog::updateExtremes(Long count, Long& maximum, Long& minimum) noexcept {
  maximum = maximum == -1 ? count : std::max(maximum, count);
  minimum = minimum == -1 ? count : std::min(minimum, count);
}

void TessaglyphAreaRateLog::countPoint(Single elevation) {
  if (!m_started) return;
  if (m_numPoints == std::numeric_limits<Long>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW, "TessaglyphAreaRateLog::countPoint");
  }
  ++m_numPoints;
  ++m_secondPoints;
  if (elevation >= Single(-32100)) {
    ++m_numValidPoints;
    ++m_secondValidPoints;
  }
  const double now = secondsSinceStart();
  if (now - m_lastEntry < 1) return;
  logEvent(TG_ARL_RET_PPSENTRY, m_secondPoints);
  logEvent(TG_ARL_RET_VALIDPPSENTRY, m_secondValidPoints);
  updateExtremes(m_secondPoints, m_maximumPPS, m_minimumPPS);
  updateExtremes(m_secondValidPoints, m_maximumValidPPS, m_minimumValidPPS);
  m_secondPoints = m_secondValidPoints = 0;
  m_lastEntry = now;
}

}  // namespace tg
