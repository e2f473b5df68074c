// The time of day is read often (every data-point read stores it), so it must not cost a system
// call: the clock is read through the vDSO (clock_gettime), and the local time of day at the
// start of the current quarter hour is worked out with localtime_r only when a new quarter
// begins. Offsets from UTC change only on quarter hours, so the time of day within a quarter is
// its start plus the seconds since.
#include "support/timer.hpp"

#include <ctime>

namespace tg {

namespace {

constexpr long long kQuarter = 900;

struct QuarterStart {
  long long epoch = -1;     // UTC seconds at the start of the quarter, -1 before the first use
  double secondsOfDay = 0;  // local seconds since midnight at that moment
};

float timeOfDay(clockid_t clock) noexcept {
  thread_local QuarterStart quarter;
  timespec now{};
  clock_gettime(clock, &now);
  const long long seconds = now.tv_sec;
  if (quarter.epoch < 0 || seconds < quarter.epoch || seconds >= quarter.epoch + kQuarter) {
    const long long start = seconds - seconds % kQuarter;
    const std::time_t startTime = std::time_t(start);
    std::tm local{};
    localtime_r(&startTime, &local);
    quarter.epoch = start;
    quarter.secondsOfDay =
        double(local.tm_hour) * 3600.0 + double(local.tm_min) * 60.0 + double(local.tm_sec);
  }
  const double sinceMidnight =
      quarter.secondsOfDay + double(seconds - quarter.epoch) + double(now.tv_nsec) / 1e9;
  return static_cast<float>(sinceMidnight);
}

}  // namespace

float timer() noexcept {
  return timeOfDay(CLOCK_REALTIME);
}

float coarseTimer() noexcept {
  return timeOfDay(CLOCK_REALTIME_COARSE);
}

std::string localTimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, format, &local);
  return std::string(text, length);
}

}  // namespace tg
