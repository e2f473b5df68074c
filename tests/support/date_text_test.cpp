#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/date_text.hpp"

namespace tg {
namespace {

TEST(DateText, ReadsTheDefaultFormAndItsShorterForms) {
  // Each accepted text, and the text it writes back.
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"2024-02-29 23:59:58", "2024-02-29 23:59:58"},
      {" 2000-01-01 00:00 ", "2000-01-01 00:00:00"},
      {"2261-12-31 23:59:59", "2261-12-31 23:59:59"}};
  for (const auto& [text, written] : accepted) {
    const auto date = parseDateText(text);
    ASSERT_TRUE(date) << text;
    EXPECT_EQ(dateToText(*date), written);
  }
  for (const std::string text :
       {"", "2023-02-29", "2100-02-29", "2024-13-01", "2024-00-10", "2024-01-01 24:00",
        "2024-01-01 10:60", "2024-01-01 10:00:60", "2024-1-1", "1899-12-31", "2262-01-01"}) {
    EXPECT_FALSE(parseDateText(text)) << text;
  }
  const auto date = parseDateText("2024-03-05 07:08:09");
  EXPECT_EQ(dayStamp(*date), "20240305");
  EXPECT_EQ(minuteStamp(*date), "0708");
}

}  // namespace
}  // namespace tg
