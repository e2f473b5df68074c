#include "support/conversions.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "tessaglyph/error.hpp"

namespace tg {
namespace {

// The platform error number a call raised, or 0 when it returned.
template <typename F>
std::int32_t errorOf(F&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.number();
  }
  return 0;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------------------------------------
// Rounding into the integer widths

struct RoundCase {
  double value;
  long expected;  // ignored when overflow is set
  bool overflow;
};

TEST(ConversionsRoundTest, ByteHalvesToEvenAndRange) {
  const RoundCase cases[] = {
      {0.5, 0, false},     {1.5, 2, false},     {2.5, 2, false},     {-0.5, 0, false},
      {0.49, 0, false},    {0.51, 1, false},    {254.5, 254, false}, {253.5, 254, false},
      {255.0, 255, false}, {255.4, 255, false}, {255.5, 0, true},    {-0.51, 0, true},
      {-1.0, 0, true},     {256.0, 0, true},    {kNaN, 0, true},     {kInf, 0, true},
      {-kInf, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.overflow) {
      EXPECT_EQ(errorOf([&] { roundToByte(c.value); }), PLATFORM_E_OVERFLOW);
    } else {
      EXPECT_EQ(roundToByte(c.value), c.expected);
    }
  }
}

TEST(ConversionsRoundTest, IntegerHalvesToEvenAndRange) {
  const RoundCase cases[] = {
      {0.5, 0, false},           {1.5, 2, false},           {2.5, 2, false},
      {-0.5, 0, false},          {-1.5, -2, false},         {-2.5, -2, false},
      {3.5, 4, false},           {-3.5, -4, false},         {32766.5, 32766, false},
      {32767.0, 32767, false},   {32767.5, 0, true},        {32768.0, 0, true},
      {-32768.0, -32768, false}, {-32768.5, -32768, false}, {-32768.51, 0, true},
      {-32769.0, 0, true},       {kNaN, 0, true},           {1e300, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.overflow) {
      EXPECT_EQ(errorOf([&] { roundToInteger(c.value); }), PLATFORM_E_OVERFLOW);
    } else {
      EXPECT_EQ(roundToInteger(c.value), c.expected);
    }
  }
}

TEST(ConversionsRoundTest, LongHalvesToEvenAndRange) {
  const RoundCase cases[] = {
      {0.5, 0, false},
      {1.5, 2, false},
      {2.5, 2, false},
      {-1.5, -2, false},
      {1e9 + 0.5, 1000000000, false},
      {1e9 + 1.5, 1000000002, false},
      {2147483646.5, 2147483646, false},
      {2147483647.0, 2147483647, false},
      {2147483647.5, 0, true},
      {2147483648.0, 0, true},
      {-2147483648.0, -2147483648L, false},
      {-2147483648.5, -2147483648L, false},
      {-2147483649.0, 0, true},
      {kNaN, 0, true},
      {-kInf, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.overflow) {
      EXPECT_EQ(errorOf([&] { roundToLong(c.value); }), PLATFORM_E_OVERFLOW);
    } else {
      EXPECT_EQ(roundToLong(c.value), c.expected);
    }
  }
}

TEST(ConversionsRoundTest, NearestDoubleBelowAHalfRoundsDown) {
  // 0.49999999999999994 + 0.5 rounds up to 1 in double arithmetic; a floor(x + 0.5) rounding
  // would get this wrong.
  EXPECT_EQ(roundToLong(0.49999999999999994), 0);
  EXPECT_EQ(roundToLong(4503599627370497.0 - 4503599627370496.0 + 0.5), 2);
}

TEST(ConversionsRoundTest, HalfEvenWithoutARange) {
  const std::pair<double, double> cases[] = {
      {0.5, 0.0},
      {1.5, 2.0},
      {2.5, 2.0},
      {-2.5, -2.0},
      {-3.5, -4.0},
      {2.4999, 2.0},
      {-2.5001, -3.0},
      {1e300, 1e300},
      {4503599627370497.0, 4503599627370497.0},
      {5e9 + 0.5, 5e9},
      {-5e9 - 1.5, -5e9 - 2.0},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(roundHalfEven(value), expected);
  }
  EXPECT_TRUE(std::isnan(roundHalfEven(kNaN)));
  EXPECT_EQ(roundHalfEven(-kInf), -kInf);
}

TEST(ConversionsRoundTest, SingleNarrowingOverflows) {
  EXPECT_EQ(toSingle(1.5), 1.5f);
  EXPECT_EQ(toSingle(-1e30), -1e30f);
  EXPECT_EQ(toSingle(3.4028234663852886e38), std::numeric_limits<float>::max());
  EXPECT_EQ(errorOf([] { toSingle(3.5e38); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { toSingle(-1e39); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(toSingle(1e-50), 0.0f);
  EXPECT_TRUE(std::isinf(toSingle(kInf)));
}

// ---------------------------------------------------------------------------------------------
// Text to number

struct ParseCase {
  const char* text;
  double expected;
};

TEST(ConversionsParseTest, AcceptsTheNumberForms) {
  const ParseCase cases[] = {
      {"0", 0.0},
      {"12", 12.0},
      {"  12  ", 12.0},
      {"\t-3.25\t", -3.25},
      {"+7", 7.0},
      {"5.", 5.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"1E5", 1e5},
      {"1e-05", 1e-5},
      {"1.5E+20", 1.5e20},
      {"1D5", 1e5},
      {"2d-3", 2e-3},
      {"000123.4500", 123.45},
      {"0.1", 0.1},
      {"1.7976931348623157E+308", 1.7976931348623157e308},
      {"4.94065645841247E-324", 4.94065645841247e-324},
      {"1E-400", 0.0},
      {"0E999999999999", 0.0},
      {"&H1F", 31.0},
      {"&h1f", 31.0},
      {"&HFFFFFFFF", 4294967295.0},
      {"&O17", 15.0},
      {"&o777", 511.0},
      {" &H10 ", 16.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(textToDouble(c.text), c.expected);
    EXPECT_EQ(parseNumber(c.text), std::optional<double>(c.expected));
    EXPECT_TRUE(isNumeric(c.text));
  }
}

TEST(ConversionsParseTest, LongDigitRunsKeepTheirMagnitude) {
  // Digit runs longer than any useful precision: every integer digit still counts.
  EXPECT_EQ(textToDouble("1" + std::string(300, '0')), 1e300);
  EXPECT_EQ(textToDouble("1" + std::string(1200, '0') + "E-1200"), 1.0);
  EXPECT_EQ(errorOf([] { textToDouble("1" + std::string(1000, '0')); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(textToDouble("0." + std::string(320, '0') + "5"), 5e-321);
  EXPECT_EQ(textToDouble("0." + std::string(2000, '0') + "1E2000"), 0.1);
  EXPECT_EQ(textToDouble("3." + std::string(1500, '3')), 3.3333333333333335);
}

TEST(ConversionsParseTest, RejectsWhatIsNotANumber) {
  const char* cases[] = {"",     "   ",  "\t",  "1 2", "- 5",   "+",     "-",    ".",
                         "+.",   "1E",   "1E+", "E5",  "1.2.3", "1,000", "$5",   "(5)",
                         "5%",   "12a",  "a12", "&H",  "&HG",   "&O8",   "-&H1", "&B1",
                         "0x1F", "1e5.", "inf", "nan", "True",  "1\n",   "1E5 5"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf([&] { textToDouble(text); }), PLATFORM_E_TYPEMISMATCH);
    EXPECT_FALSE(parseNumber(text).has_value());
    EXPECT_FALSE(isNumeric(text));
  }
}

TEST(ConversionsParseTest, BeyondTheDoubleRangeOverflows) {
  const char* cases[] = {"1E309",       "-1E400",        "1.8E+308",
                         "&H100000000", "&O40000000000", "1E99999999999999999999"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf([&] { textToDouble(text); }), PLATFORM_E_OVERFLOW);
    EXPECT_FALSE(parseNumber(text).has_value());
    EXPECT_FALSE(isNumeric(text));
  }
}

TEST(ConversionsParseTest, NarrowsIntoEachWidth) {
  EXPECT_EQ(textToByte(" 255 "), 255);
  EXPECT_EQ(textToByte("2.5"), 2);
  EXPECT_EQ(textToByte("-0.5"), 0);
  EXPECT_EQ(textToInteger("-32768"), -32768);
  EXPECT_EQ(textToInteger("1.5E3"), 1500);
  EXPECT_EQ(textToLong("2147483647"), 2147483647);
  EXPECT_EQ(textToLong("-2.5"), -2);
  EXPECT_EQ(textToSingle("0.1"), 0.1f);
  EXPECT_EQ(textToSingle("1E-50"), 0.0f);

  EXPECT_EQ(errorOf([] { textToByte("256"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToByte("-1"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToByte("255.5"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToInteger("40000"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToInteger("32767.5"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToLong("2147483648"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToSingle("1E40"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToSingle("-1E40"); }), PLATFORM_E_OVERFLOW);
  // Not a number wins over the width: the text is judged first.
  EXPECT_EQ(errorOf([] { textToByte("x"); }), PLATFORM_E_TYPEMISMATCH);
  EXPECT_EQ(errorOf([] { textToInteger(""); }), PLATFORM_E_TYPEMISMATCH);
}

TEST(ConversionsParseTest, HexAndOctalKeepTheirBitsInTheIntegerWidths) {
  EXPECT_EQ(textToInteger("&HFFFF"), -1);
  EXPECT_EQ(textToInteger("&H7FFF"), 32767);
  EXPECT_EQ(textToInteger("&H8000"), -32768);
  EXPECT_EQ(textToLong("&HFFFF"), 65535);
  EXPECT_EQ(textToLong("&HFFFFFFFF"), -1);
  EXPECT_EQ(textToLong("&O37777777777"), -1);
  EXPECT_EQ(textToByte("&HFF"), 255);
  EXPECT_EQ(errorOf([] { textToByte("&H100"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(errorOf([] { textToInteger("&H10000"); }), PLATFORM_E_OVERFLOW);
  EXPECT_EQ(textToSingle("&HFFFFFFFF"), 4294967296.0f);
}

// ---------------------------------------------------------------------------------------------
// Number to text

struct FormatCase {
  double value;
  const char* expected;
};

TEST(ConversionsFormatTest, DoubleInTheGeneralFormat) {
  const FormatCase cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-1.0, "-1"},
      {0.5, "0.5"},
      {-0.5, "-0.5"},
      {1.5, "1.5"},
      {100.0, "100"},
      {123.456, "123.456"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-2.0 / 3.0, "-0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.0, "999999999999999"},
      {1234567890123456.0, "1.23456789012346E+15"},
      {1e15, "1E+15"},
      {1e20, "1E+20"},
      {1.5e20, "1.5E+20"},
      {-1.23456789012346e100, "-1.23456789012346E+100"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {0.00001, "1E-05"},
      {0.000015, "1.5E-05"},
      {1.5e-7, "1.5E-07"},
      {-1e-100, "-1E-100"},
      {4.94065645841247e-324, "4.94065645841247E-324"},
      {0.99999999999999999, "1"},
      {9.999999999999999e14, "1E+15"},      // rounds up into a new digit and out of fixed form
      {0.000099999999999999999, "0.0001"},  // and back into it
      {12345.678901234567, "12345.6789012346"},
      {2147483647.0, "2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(doubleToText(c.value), c.expected);
  }
}

struct SingleFormatCase {
  float value;
  const char* expected;
};

TEST(ConversionsFormatTest, SingleKeepsSevenDigits) {
  const SingleFormatCase cases[] = {
      {0.0f, "0"},
      {-0.0f, "0"},
      {0.1f, "0.1"},
      {1.1f, "1.1"},
      {-2.5f, "-2.5"},
      {1234567.0f, "1234567"},
      {12345678.0f, "1.234568E+07"},
      {9999999.0f, "9999999"},
      {1.0f / 3.0f, "0.3333333"},
      {3.4028235e38f, "3.402823E+38"},
      {1e-5f, "1E-05"},
      {0.0001f, "0.0001"},
      {16777216.0f, "1.677722E+07"},
      {-32100.0f, "-32100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(singleToText(c.value), c.expected);
  }
}

TEST(ConversionsFormatTest, NonFiniteValuesAsThePlatformWritesThem) {
  EXPECT_EQ(doubleToText(kInf), "1.#INF");
  EXPECT_EQ(doubleToText(-kInf), "-1.#INF");
  EXPECT_EQ(doubleToText(kNaN), "-1.#IND");
  EXPECT_EQ(singleToText(std::numeric_limits<float>::infinity()), "1.#INF");
  // None of them reads back as a number.
  EXPECT_FALSE(isNumeric(doubleToText(kInf)));
  EXPECT_FALSE(isNumeric(doubleToText(kNaN)));
}

TEST(ConversionsFormatTest, TextReadsBackWithinFifteenDigits) {
  const double values[] = {1.0 / 3.0,
                           -2.0 / 7.0,
                           1e-300,
                           6.02214076e23,
                           123456.789,
                           1.79769313486231e308,
                           2.2250738585072014e-308,
                           1.2345e-320};
  for (double value : values) {
    SCOPED_TRACE(value);
    const double back = textToDouble(doubleToText(value));
    EXPECT_NEAR(back, value, std::fabs(value) * 5e-15);
  }
  // The largest Double written with 15 digits rounds up past the range, as on the platform.
  EXPECT_EQ(errorOf([] { textToDouble(doubleToText(1.7976931348623157e308)); }),
            PLATFORM_E_OVERFLOW);
}

TEST(ConversionsFormatTest, LongAndBooleanText) {
  EXPECT_EQ(longToText(0), "0");
  EXPECT_EQ(longToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(longToText(2147483647), "2147483647");
  EXPECT_EQ(booleanToText(true), "True");
  EXPECT_EQ(booleanToText(false), "False");
  EXPECT_EQ(booleanToNumber(true), -1);
  EXPECT_EQ(booleanToNumber(false), 0);
}

// ---------------------------------------------------------------------------------------------
// Boolean text

TEST(ConversionsBooleanTest, WordsAndNumbers) {
  const std::pair<const char*, bool> cases[] = {
      {"True", true},   {"TRUE", true},   {"tRuE", true}, {" false ", false},
      {"False", false}, {"0", false},     {"-1", true},   {"2.5", true},
      {" 0.0 ", false}, {"1E-300", true}, {"&H0", false}, {"-0", false},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(textToBoolean(text), expected);
  }
  const char* bad[] = {"yes", "", "  ", "T", "Truee", "True False", "on"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(errorOf([&] { textToBoolean(text); }), PLATFORM_E_TYPEMISMATCH);
  }
  EXPECT_EQ(errorOf([] { textToBoolean("1E999"); }), PLATFORM_E_OVERFLOW);
}

}  // namespace
}  // namespace tg
