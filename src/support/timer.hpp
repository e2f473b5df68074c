// The platform's timer: seconds since local midnight.
#pragma once

#include <string>

namespace tg {

// Seconds since local midnight, as a Single, with sub-millisecond resolution.
float timer() noexcept;
// The same at the resolution of the system's clock tick (a few milliseconds, about a Single's
// own step late in the day), several times cheaper: for time stamps taken on every read.
float coarseTimer() noexcept;

// The local date and time now, formatted as strftime does ("%H:%M:%S" for a log line's time).
std::string localTimeText(const char* format);

}  // namespace tg
