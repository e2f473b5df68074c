// Dates as text: "YYYY-MM-DD HH:MM:SS" in local time, the form dates take in settings files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

std::string dateToText(Date date);
// The date of a text in that form (blanks around it allowed); empty for any other text.
std::optional<Date> textToDate(std::string_view text);

}  // namespace tg
