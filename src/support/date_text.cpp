#include "support/date_text.hpp"

#include <cstdio>
#include <ctime>

#include "support/text.hpp"

namespace tg {
namespace {

std::tm localParts(Date date) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

std::string formatLocal(Date date, const char* format) {
  const std::tm local = localParts(date);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, format, &local);
  return std::string(text, length);
}

// Reads exactly `width` digits at `position`; false when they are not all digits.
bool readDigits(std::string_view text, std::size_t position, std::size_t width, int& value) {
  if (position + width > text.size()) return false;
  value = 0;
  for (std::size_t i = position; i < position + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::string dateToText(Date date) {
  return formatLocal(date, "%Y-%m-%d %H:%M:%S");
}

std::string dayStamp(Date date) {
  return formatLocal(date, "%Y%m%d");
}

std::string minuteStamp(Date date) {
  return formatLocal(date, "%H%M");
}

std::optional<Date> parseDateText(std::string_view text) {
  text = trimSpace(text);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!readDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
      !readDigits(text, 5, 2, month) || text[7] != '-' || !readDigits(text, 8, 2, day)) {
    return std::nullopt;
  }
  if (text.size() > 10) {
    if (text[10] != ' ' || !readDigits(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' ||
        !readDigits(text, 14, 2, minute)) {
      return std::nullopt;
    }
    if (text.size() > 16 &&
        (text.size() != 19 || text[16] != ':' || !readDigits(text, 17, 2, second))) {
      return std::nullopt;
    }
  }
  // A Date counts nanoseconds in 64 bits, which reach into 2262.
  if (year < 1900 || year > 2261 || month < 1 || month > 12 || day < 1 ||
      day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&parts);
  if (seconds == std::time_t(-1)) return std::nullopt;
  return std::chrono::system_clock::from_time_t(seconds);
}

}  // namespace tg
