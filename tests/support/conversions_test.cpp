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
  const std::pair<double, long> bytes[] = {{0.5, 0}, {1.5, 2}, {-0.5, 0}, {0.51, 1}, {255.4, 255}};
  const std::pair<double, long> integers[] = {
      {32767.0, 32767}, {-32768.0, -32768}, {-32768.5, -32768}};
  const std::pair<double, long> longs[] = {{2147483647.0, 2147483647},
                                           {-2147483648.5, -2147483648L}};
  for (const auto& [value, expected] : bytes)
    EXPECT_EQ(roundToByte(value), expected) << value;
  for (const auto& [value, expected] : integers)
    EXPECT_EQ(roundToInteger(value), expected) << value;
  for (const auto& [value, expected] : longs)
    EXPECT_EQ(roundToLong(value), expected) << value;
  expectOverflow(roundToByte, {255.5, -0.51, kNaN, kInf});
  expectOverflow(roundToInteger, {32767.5, -32768.51});
  expectOverflow(roundToLong, {2147483647.5, -2147483649.0, -kInf});
  // 0.49999999999999994 + 0.5 is 1 in double arithmetic: floor(x + 0.5) would get it wrong.
  EXPECT_EQ(roundToLong(0.49999999999999994), 0);
}

TEST(ConversionsRoundTest, HalfEvenWithoutARangeAndSingleNarrowing) {
  EXPECT_EQ(roundHalfEven(1e300), 1e300);
  EXPECT_EQ(roundHalfEven(-5e9 - 1.5), -5e9 - 2.0);
  EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497.0);
  EXPECT_TRUE(std::isnan(roundHalfEven(kNaN)));
  EXPECT_EQ(roundHalfEven(-kInf), -kInf);

  EXPECT_EQ(toSingle(3.4028234663852886e38), std::numeric_limits<float>::max());
  EXPECT_EQ(toSingle(3.4028235e38), std::numeric_limits<float>::max());  // rounds down to it
  expectOverflow(toSingle, {3.5e38, -1e39});
  EXPECT_EQ(toSingle(1e-50), 0.0f);
  EXPECT_TRUE(std::isinf(toSingle(kInf)));
}

void expectNumber(const std::string& text, double expected) {
  SCOPED_TRACE(text.substr(0, 30));
  EXPECT_EQ(textToDouble(text), expected);
  EXPECT_EQ(parseNumber(text), std::optional<double>(expected));
  EXPECT_TRUE(isNumeric(text));
}

TEST(ConversionsParseTest, AcceptsTheNumberForms) {
  const std::pair<const char*, double> forms[] = {
      {"  12  ", 12.0}, {"\t-3.25\t", -3.25}, {"+7", 7.0},        {"5.", 5.0},
      {".5", 0.5},      {"1E5", 1e5},         {"1e-05", 1e-5},    {"1D5", 1e5},
      {"2d-3", 2e-3},   {"&H1F", 31.0},       {"&h1f", 31.0},     {"&O17", 15.0},
      {"&o777", 511.0}, {"1E-400", 0.0},      {"1.5E+20", 1.5e20}};
  for (const auto& [text, expected] : forms)
    expectNumber(text, expected);
  expectNumber("000123.4500", 123.45);
  expectNumber("&HFFFFFFFF", 4294967295.0);
  expectNumber("0E999999999999", 0.0);
  expectNumber("1.7976931348623157E+308", 1.7976931348623157e308);
  expectNumber("4.94065645841247E-324", 4.94065645841247e-324);
  // Digit runs longer than any useful precision: every integer digit still counts.
  expectNumber("1" + std::string(1200, '0') + "E-1200", 1.0);
  expectNumber("0." + std::string(2000, '0') + "1E2000", 0.1);
  expectNumber("3." + std::string(1500, '3'), 3.3333333333333335);
}

TEST(ConversionsParseTest, RejectsNonNumbersAndOverflowsBeyondTheDoubleRange) {
  const char* notNumbers[] = {"",   "   ", "1 2", "- 5",  ".",   "1E",  "1E+", "12a",
                              "&H", "&HG", "&O8", "-&H1", "&B1", "1\n", "inf"};
  for (const char* text : notNumbers) {
    EXPECT_EQ(errorNumber([&] { textToDouble(text); }), PLATFORM_E_TYPEMISMATCH) << text;
    EXPECT_FALSE(parseNumber(text).has_value()) << text;
    EXPECT_FALSE(isNumeric(text)) << text;
  }
  for (const std::string& text :
       std::initializer_list<std::string>{"1E309", "-1E400", "&H100000000",
                                          "1E99999999999999999999", "1" + std::string(1000, '0')}) {
    EXPECT_EQ(errorNumber([&] { textToDouble(text); }), PLATFORM_E_OVERFLOW) << text;
    EXPECT_FALSE(parseNumber(text).has_value()) << text;
    EXPECT_FALSE(isNumeric(text)) << text;
  }
}

TEST(ConversionsParseTest, WholeNumbersWithinTheLongRange) {
  const struct {
    const char* text;
    std::optional<Long> expected;
  } cases[] = {{" -7 ", -7},       {"2E3", 2000}, {"-2147483648", std::numeric_limits<Long>::min()},
               {"2147483648", {}}, {"1.5", {}},   {"", {}}};
  for (const auto& c : cases)
    EXPECT_EQ(wholeNumber(c.text), c.expected) << c.text;
}

TEST(ConversionsParseTest, NarrowsIntoEachWidthHexAndOctalKeepingTheirBits) {
  EXPECT_EQ(textToByte(" 255 "), 255);
  EXPECT_EQ(textToInteger("1.5E3"), 1500);
  EXPECT_EQ(textToLong("-2.5"), -2);
  EXPECT_EQ(textToSingle("0.1"), 0.1f);
  EXPECT_EQ(textToInteger("&HFFFF"), -1);
  EXPECT_EQ(textToLong("&HFFFF"), 65535);
  EXPECT_EQ(textToLong("&HFFFFFFFF"), -1);
  EXPECT_EQ(textToSingle("&HFFFFFFFF"), 4294967296.0f);
  for (const auto& call : std::initializer_list<void (*)()>{
           [] { textToByte("256"); }, [] { textToInteger("40000"); },
           [] { textToLong("2147483648"); }, [] { textToSingle("1E40"); },
           [] { textToInteger("&H10000"); }}) {
    EXPECT_EQ(errorNumber(call), PLATFORM_E_OVERFLOW);
  }
  // Not a number wins over the width: the text is judged first.
  EXPECT_EQ(errorNumber([] { textToByte("x"); }), PLATFORM_E_TYPEMISMATCH);
}

TEST(ConversionsFormatTest, DoubleInTheGeneralFormat) {
  // 9.999999999999999e14 and 0.000099999999999999999 round up into a new digit: out of the fixed
  // form and back into it.
  // clang-format off
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"}, {-0.0, "0"}, {-1.0, "-1"}, {-0.5, "-0.5"}, {100.0, "100"}, {123.456, "123.456"},
      {0.1 + 0.2, "0.3"}, {1e15, "1E+15"}, {1.5e20, "1.5E+20"}, {0.0001, "0.0001"},
      {0.00001, "1E-05"}, {-1e-100, "-1E-100"}, {1234567890123456.0, "1.23456789012346E+15"},
      {2.0 / 3.0, "0.666666666666667"}, {123456789012345.0, "123456789012345"},
      {9.999999999999999e14, "1E+15"}, {0.000099999999999999999, "0.0001"}};
  // clang-format on
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(doubleToText(value), expected);
}

TEST(ConversionsFormatTest, SingleKeepsSevenDigits) {
  const std::pair<float, const char*> cases[] = {{1234567.0f, "1234567"},
                                                 {0.1f, "0.1"},
                                                 {12345678.0f, "1.234568E+07"},
                                                 {16777216.0f, "1.677722E+07"}};
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(singleToText(value), expected);
}

TEST(ConversionsFormatTest, NonFiniteLongAndBooleanText) {
  EXPECT_EQ(doubleToText(kInf), "1.#INF");
  EXPECT_EQ(doubleToText(-kInf), "-1.#INF");
  EXPECT_EQ(doubleToText(kNaN), "-1.#IND");
  EXPECT_FALSE(isNumeric(doubleToText(kInf)));
  EXPECT_FALSE(isNumeric(doubleToText(kNaN)));
  EXPECT_EQ(longToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(booleanToText(true), "True");
  EXPECT_EQ(booleanToText(false), "False");
  EXPECT_EQ(booleanToNumber(true), -1);
  EXPECT_EQ(booleanToNumber(false), 0);
}

TEST(ConversionsFormatTest, TextReadsBackWithinFifteenDigits) {
  for (double value : {1.0 / 3.0, 1e-300, 6.02214076e23, 2.2250738585072014e-308, 1.2345e-320}) {
    EXPECT_NEAR(textToDouble(doubleToText(value)), value, std::fabs(value) * 5e-15) << value;
  }
  // The largest Double written with 15 digits rounds up past the range, as on the platform.
  EXPECT_EQ(errorNumber([] { textToDouble(doubleToText(1.7976931348623157e308)); }),
            PLATFORM_E_OVERFLOW);
}

TEST(ConversionsBooleanTest, WordsAndNumbers) {
  const std::pair<const char*, bool> cases[] = {
      {"tRuE", true}, {" false ", false}, {"-1", true}, {"1E-300", true}, {"-0", false}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(textToBoolean(text), expected) << text;
  }
  for (const char* text : {"yes", "", "Truee"}) {
    EXPECT_EQ(errorNumber([&] { textToBoolean(text); }), PLATFORM_E_TYPEMISMATCH) << text;
  }
  EXPECT_EQ(errorNumber([] { textToBoolean("1E999"); }), PLATFORM_E_OVERFLOW);
}

}  // namespace
}  // namespace tg::test
