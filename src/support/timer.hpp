// The platform's timer: seconds since local midnight.
#pragma once

#include <string>

namespace tg {

// Seconds since local midnight, as a Single, with sub-millisecond resolution.
float timer() noexcept;

// The local date and time now, formatted as strftime does ("%H:%M:%S" for a log line's time).
std::string localTimeText(const char* format);

}  // namespace tg
