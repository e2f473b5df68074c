#include "program/letter_code.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tg {
namespace {

TEST(LetterCode, CodesRepeatTheLetterAndReadBack) {
  const std::pair<Long, const char*> cases[] = {{26, "z"}, {27, "aa"}, {53, "aaa"}};
  for (const auto& [number, code] : cases) {
    EXPECT_EQ(letterCode(number), code);
    EXPECT_EQ(letterCodeValue(code), number);
  }
  for (Long n = 1; n <= 3000; ++n) {
    const auto code = letterCode(n);
    ASSERT_EQ(code.size(), std::size_t((n - 1) / 26 + 1)) << n;
    ASSERT_EQ(letterCodeValue(code), n) << code;
  }
  EXPECT_EQ(symbolicName(kVariablePrefix, 27), "v_aa");
}

}  // namespace
}  // namespace tg
