// Dates as text: the platform's default date text ("YYYY-MM-DD HH:MM:SS", local time) written and
// read back, and the compact day stamps file names carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

// "YYYY-MM-DD HH:MM:SS" in local time.
std::string dateToText(Date date);
// A date in that form, or without seconds ("YYYY-MM-DD HH:MM"), or the day alone
// ("YYYY-MM-DD", midnight); blanks around it allowed. Empty when the text is not such a date or
// names a day that does not exist (2023-02-29) or lies outside the years 1900 to 2261.
std::optional<Date> parseDateText(std::string_view text);
// The day as "yyyymmdd" and the time of day as "hhmm", local time.
std::string dayStamp(Date date);
std::string minuteStamp(Date date);

}  // namespace tg
