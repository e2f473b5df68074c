#include "support/conversions.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace tg::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename Round>
void expectOverflow(Round round, std::initializer_list<double> values) {
  for (double value : values) {
    EXPECT_EQ(errorNumber([&] { round(value); }), PLATFORM_E_OVERFLOW) << value;
  }
}

TEST(ConversionsRoundTest, HalvesToEvenWithinEachWidth) {
  const std::pair<double, long> bytes[] = {{0.5, 0}, {1.5, 2}, {0.51, 1}, {255.4, 255}};
  for (const auto& [value, expected] : bytes)
    EXPECT_EQ(roundToByte(value), expected) << value;
  EXPECT_EQ(roundToInteger(-32768.5), -32768);
  EXPECT_EQ(roundToLong(2147483647.0), 2147483647);
  expectOverflow(roundToByte, {255.5, -0.51, kNaN});
  expectOverflow(roundToInteger, {32767.5, -32768.51});
  expectOverflow(roundToLong, {2147483647.5, -kInf});
  // 0.49999999999999994 + 0.5 is 1 in double arithmetic: floor(x + 0.5) would get it wrong.
  EXPECT_EQ(roundToLong(0.49999999999999994), 0);
  EXPECT_EQ(roundHalfEven(-5e9 - 1.5), -5e9 - 2.0);
  EXPECT_EQ(toSingle(3.4028235e38), std::numeric_limits<float>::max());  // rounds down to it
  expectOverflow(toSingle, {3.5e38, -1e39});
  EXPECT_TRUE(std::isinf(toSingle(kInf)));
}

TEST(ConversionsParseTest, AcceptsTheNumberForms) {
  // Digit runs longer than any useful precision: every integer digit still counts.
  // clang-format off
  const std::pair<std::string, double> forms[] = {
      {"  12  ", 12.0}, {"\t-3.25\t", -3.25}, {"+7", 7.0}, {"5.", 5.0}, {".5", 0.5}, {"1e-05", 1e-5},
      {"2d-3", 2e-3}, {"1D5", 1e5}, {"&h1f", 31.0}, {"&o777", 511.0}, {"1E-400", 0.0},
      {"&HFFFFFFFF", 4294967295.0}, {"000123.4500", 123.45},
      {"1.7976931348623157E+308", 1.7976931348623157e308}, {"4.94065645841247E-324", 4.94065645841247e-324},
      {"1" + std::string(1200, '0') + "E-1200", 1.0}, {"0." + std::string(2000, '0') + "1E2000", 0.1}};
  // clang-format on
  for (const auto& [text, expected] : forms) {
    EXPECT_EQ(textToDouble(text), expected) << text.substr(0, 30);
    EXPECT_EQ(parseNumber(text), std::optional<double>(expected)) << text.substr(0, 30);
  }
}

TEST(ConversionsParseTest, RejectsNonNumbersAndOverflowsBeyondTheDoubleRange) {
  for (const char* text : {"", "1 2", ".", "1E", "12a", "&H", "&HG", "&O8", "-&H1", "1\n", "inf"}) {
    EXPECT_EQ(errorNumber([&] { textToDouble(text); }), PLATFORM_E_TYPEMISMATCH) << text;
    EXPECT_FALSE(isNumeric(text)) << text;
  }
  for (const std::string& text : std::initializer_list<std::string>{
           "1E309", "&H100000000", "1E99999999999999999999", "1" + std::string(1000, '0')}) {
    EXPECT_EQ(errorNumber([&] { textToDouble(text); }), PLATFORM_E_OVERFLOW) << text;
    EXPECT_FALSE(parseNumber(text).has_value()) << text;
  }
}

TEST(ConversionsParseTest, NarrowsIntoEachWidthHexAndOctalKeepingTheirBits) {
  const struct {
    const char* text;
    std::optional<Long> expected;
  } wholes[] = {{" -7 ", -7},
                {"-2147483648", std::numeric_limits<Long>::min()},
                {"2147483648", {}},
                {"1.5", {}}};
  for (const auto& c : wholes)
    EXPECT_EQ(wholeNumber(c.text), c.expected) << c.text;
  EXPECT_EQ(textToLong("-2.5"), -2);
  EXPECT_EQ(textToInteger("&HFFFF"), -1);
  EXPECT_EQ(textToLong("&HFFFF"), 65535);
  EXPECT_EQ(textToLong("&HFFFFFFFF"), -1);
  for (const auto& call : std::initializer_list<void (*)()>{[] { textToByte("256"); },
                                                            [] { textToInteger("&H10000"); },
                                                            [] { textToSingle("1E40"); }}) {
    EXPECT_EQ(errorNumber(call), PLATFORM_E_OVERFLOW);
  }
  EXPECT_EQ(errorNumber([] { textToByte("x"); }), PLATFORM_E_TYPEMISMATCH);
}

TEST(ConversionsFormatTest, DoubleInTheGeneralFormat) {
  // 9.999999999999999e14 and 0.000099999999999999999 round up into a new digit: out of the fixed
  // form and back into it.
  // clang-format off
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"}, {-0.0, "0"}, {-0.5, "-0.5"}, {100.0, "100"}, {0.1 + 0.2, "0.3"}, {1e15, "1E+15"},
      {0.0001, "0.0001"}, {0.00001, "1E-05"}, {-1e-100, "-1E-100"},
      {1234567890123456.0, "1.23456789012346E+15"}, {123456789012345.0, "123456789012345"},
      {9.999999999999999e14, "1E+15"}, {0.000099999999999999999, "0.0001"}, {-kInf, "-1.#INF"},
      {kNaN, "-1.#IND"}};
  // clang-format on
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(doubleToText(value), expected);
  EXPECT_EQ(singleToText(12345678.0f), "1.234568E+07");
  EXPECT_EQ(booleanToNumber(true), -1);
}

TEST(ConversionsBooleanTest, WordsAndNumbers) {
  const std::pair<const char*, bool> cases[] = {{"tRuE", true}, {" false ", false}, {"-1", true}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(textToBoolean(text), expected) << text;
  }
  EXPECT_EQ(errorNumber([] { textToBoolean("yes"); }), PLATFORM_E_TYPEMISMATCH);
}

}  // namespace
}  // namespace tg::test
