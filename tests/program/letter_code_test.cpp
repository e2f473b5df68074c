#include "program/letter_code.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tg {
namespace {

struct LetterCodeCase {
  Long number;
  const char* code;
};

class LetterCodeTest : public ::testing::TestWithParam<LetterCodeCase> {};

TEST_P(LetterCodeTest, CodeAndInverseAgree) {
  EXPECT_EQ(letterCode(GetParam().number), GetParam().code);
  EXPECT_EQ(letterCodeValue(GetParam().code), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Table, LetterCodeTest,
                         ::testing::Values(LetterCodeCase{1, "a"}, LetterCodeCase{2, "b"},
                                           LetterCodeCase{26, "z"}, LetterCodeCase{27, "aa"},
                                           LetterCodeCase{28, "bb"}, LetterCodeCase{52, "zz"},
                                           LetterCodeCase{53, "aaa"}, LetterCodeCase{79, "aaaa"},
                                           LetterCodeCase{104, "zzzz"}));

TEST(LetterCode, EveryNumberSurvivesTheRoundTrip) {
  for (Long n = 1; n <= 3000; ++n) {
    const auto code = letterCode(n);
    ASSERT_EQ(code.size(), std::size_t((n - 1) / 26 + 1)) << n;
    ASSERT_EQ(letterCodeValue(code), n) << code;
  }
}

TEST(LetterCode, NoCodeBelowOneAndNoNumberForOtherText) {
  EXPECT_EQ(letterCode(0), "");
  EXPECT_EQ(letterCode(-5), "");
  for (const char* text : {"", "ab", "aab", "A", "AA", "1", "_", "a "}) {
    EXPECT_EQ(letterCodeValue(text), 0) << '"' << text << '"';
  }
}

TEST(LetterCode, SymbolicNamesJoinPrefixAndCode) {
  EXPECT_EQ(symbolicName(kVariablePrefix, 27), "v_aa");
  EXPECT_EQ(symbolicName(kLiteralPrefix, 53), "l_aaa");
  EXPECT_EQ(symbolicName(kTagPrefix, 1), "c_a");
}

}  // namespace
}  // namespace tg
