#include "support/timer.hpp"

#include <chrono>
#include <ctime>

namespace tg {

float timer() noexcept {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto sinceEpoch = now.time_since_epoch();
  const double fraction = double(duration_cast<microseconds>(sinceEpoch).count() % 1000000) / 1e6;
  const double sinceMidnight = double(local.tm_hour) * 3600.0 + double(local.tm_min) * 60.0 +
                               double(local.tm_sec) + fraction;
  return static_cast<float>(sinceMidnight);
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
