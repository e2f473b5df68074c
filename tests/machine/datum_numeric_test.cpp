// Numeric value cells: conversions between kinds, mixed-width arithmetic and its overflow,
// rounding in division, comparisons across kinds, and the in-place forms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"

namespace tg {
namespace {

using test::cellOf;
using test::errorOf;

constexpr auto U8 = TG_M_DT_UNSIGNEDINTEGER;
constexpr auto I2 = TG_M_DT_INTEGER2;
constexpr auto I4 = TG_M_DT_INTEGER4;
constexpr auto SG = TG_M_DT_SINGLE;
constexpr auto DB = TG_M_DT_DOUBLE;

TEST(DatumKindsTest, NewCellsHoldZeroAndTheirSize) {
  const struct {
    TG_M_DATATYPES kind;
    Long size;
  } cases[] = {{U8, 1}, {I2, 2}, {I4, 4}, {SG, 4}, {DB, 8}, {TG_M_DT_ASCII, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const DatumRef cell = makeDatum(c.kind);
    EXPECT_EQ(cell->dataType(), c.kind);
    EXPECT_EQ(cell->getSize(), c.size);
    EXPECT_FALSE(cell->getBoolean());
    EXPECT_EQ(cell->getString(), c.kind == TG_M_DT_ASCII ? "" : "0");
  }
  EXPECT_EQ(errorOf([] { makeDatum(TG_M_DATATYPES(6)); }), 5);
}

// ---- Getters ------------------------------------------------------------------------------

TEST(DatumConversionTest, GettersRoundHalfToEvenAndRaiseOverflow) {
  struct Case {
    TG_M_DATATYPES kind;
    double value;
    std::function<double(const TessaglyphDatum&)> getter;
    const char* getterName;
    double expected;  // ignored when error is set
    int error;
  };
  auto byte = [](const TessaglyphDatum& c) { return double(c.getByte()); };
  auto integer = [](const TessaglyphDatum& c) { return double(c.getInteger()); };
  auto lng = [](const TessaglyphDatum& c) { return double(c.getLong()); };
  auto single = [](const TessaglyphDatum& c) { return double(c.getSingle()); };
  const Case cases[] = {
      {I2, -1, byte, "getByte", 0, 6},
      {I2, 255, byte, "getByte", 255, 0},
      {I2, 256, byte, "getByte", 0, 6},
      {I4, 70000, integer, "getInteger", 0, 6},
      {I4, -32768, integer, "getInteger", -32768, 0},
      {SG, 2.5, lng, "getLong", 2, 0},
      {SG, 3.5, lng, "getLong", 4, 0},
      {DB, -2.5, integer, "getInteger", -2, 0},
      {DB, 255.5, byte, "getByte", 0, 6},
      {DB, 254.5, byte, "getByte", 254, 0},
      {DB, 2147483647.5, lng, "getLong", 0, 6},
      {DB, 1e39, single, "getSingle", 0, 6},
      {DB, 0.1, single, "getSingle", double(0.1f), 0},
      {I4, 16777217, single, "getSingle", 16777216, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.getterName) + " of " + std::to_string(c.value));
    const DatumRef cell = cellOf(c.kind, c.value);
    if (c.error) {
      EXPECT_EQ(errorOf([&] { c.getter(*cell); }), c.error);
    } else {
      EXPECT_EQ(c.getter(*cell), c.expected);
    }
  }
}

TEST(DatumConversionTest, NumbersAsTextInTheGeneralFormat) {
  EXPECT_EQ(makeUnsignedInteger(200)->getString(), "200");
  EXPECT_EQ(makeInteger2(-32768)->getString(), "-32768");
  EXPECT_EQ(makeInteger4(-7)->getString(), "-7");
  EXPECT_EQ(makeSingle(0.1f)->getString(), "0.1");
  EXPECT_EQ(makeSingle(1.0f / 3.0f)->getString(), "0.3333333");
  EXPECT_EQ(makeDouble(1.0 / 3.0)->getString(), "0.333333333333333");
  EXPECT_EQ(makeDouble(1e20)->getString(), "1E+20");
  EXPECT_EQ(makeDouble(-0.00001)->getString(), "-1E-05");
}

TEST(DatumConversionTest, TextConvertsAsANumber) {
  EXPECT_EQ(makeAscii("1e3")->getLong(), 1000);
  EXPECT_EQ(makeAscii(" 2.5 ")->getInteger(), 2);
  EXPECT_EQ(makeAscii("3.5")->getByte(), 4);
  EXPECT_EQ(makeAscii("&HFFFF")->getInteger(), -1);
  EXPECT_EQ(makeAscii("0.1")->getDouble(), 0.1);
  EXPECT_EQ(makeAscii("0.1")->getSingle(), 0.1f);
  EXPECT_EQ(errorOf([] { makeAscii("x")->getDouble(); }), 13);
  EXPECT_EQ(errorOf([] { makeAscii("")->getLong(); }), 13);
  EXPECT_EQ(errorOf([] { makeAscii("70000")->getInteger(); }), 6);
  EXPECT_EQ(errorOf([] { makeAscii("-1")->getByte(); }), 6);
}

TEST(DatumConversionTest, BooleanOfNumbersAndTexts) {
  EXPECT_TRUE(makeDouble(-0.5)->getBoolean());
  EXPECT_FALSE(makeDouble(-0.0)->getBoolean());
  EXPECT_TRUE(makeInteger2(-1)->getBoolean());
  // A text is true exactly when it is not empty, whatever it says.
  EXPECT_FALSE(makeAscii("")->getBoolean());
  EXPECT_TRUE(makeAscii("0")->getBoolean());
  EXPECT_TRUE(makeAscii("False")->getBoolean());
  EXPECT_TRUE(makeAscii(" ")->getBoolean());
}

// ---- Stores -------------------------------------------------------------------------------

TEST(DatumStoreTest, SetValueConvertsByTheTargetsOwnGetter) {
  const DatumRef i2 = makeInteger2(9);
  i2->setValue(*makeDouble(2.5));
  EXPECT_EQ(i2->getInteger(), 2);
  EXPECT_EQ(i2->dataType(), I2);

  const DatumRef u8 = makeUnsignedInteger(9);
  EXPECT_EQ(errorOf([&] { u8->setValue(*makeInteger2(-1)); }), 6);
  EXPECT_EQ(u8->getByte(), 9);  // unchanged after the failed store

  const DatumRef single = makeSingle();
  single->setValue(*makeAscii("1.25"));
  EXPECT_EQ(single->getSingle(), 1.25f);
  EXPECT_EQ(errorOf([&] { single->setValue(*makeAscii("abc")); }), 13);

  const DatumRef text = makeAscii();
  text->setFixedLength(5);
  text->setValue(*makeDouble(1.5));
  EXPECT_EQ(text->getString(), "1.5  ");
}

TEST(DatumStoreTest, SetFromStringAndOwnSettersConvertIntoTheCellsKind) {
  const DatumRef i2 = makeInteger2();
  i2->setFromString("&HFFFF");
  EXPECT_EQ(i2->getInteger(), -1);
  EXPECT_EQ(errorOf([&] { i2->setFromString("40000"); }), 6);
  EXPECT_EQ(errorOf([&] { makeUnsignedInteger()->setFromString("256"); }), 6);
  EXPECT_EQ(errorOf([&] { makeDouble()->setFromString("one"); }), 13);

  const DatumRef d = makeDouble();
  d->setInteger(3);
  EXPECT_EQ(d->getDouble(), 3.0);
  d->setSingle(0.1f);
  EXPECT_EQ(d->getDouble(), double(0.1f));
  EXPECT_EQ(errorOf([] { makeUnsignedInteger()->setLong(300); }), 6);
  EXPECT_EQ(errorOf([] { makeInteger2()->setDouble(32767.5); }), 6);

  const DatumRef flag = makeUnsignedInteger();
  flag->setBoolean(true);
  EXPECT_EQ(flag->getByte(), 1);
  flag->setBoolean(false);
  EXPECT_EQ(flag->getByte(), 0);

  const DatumRef text = makeAscii();
  text->setDouble(0.5);
  EXPECT_EQ(text->getString(), "0.5");
  text->setBoolean(true);
  EXPECT_EQ(text->getString(), "1");

  const DatumRef i4 = makeInteger4(12);
  i4->reset();
  EXPECT_EQ(i4->getLong(), 0);
  i4->setSize(Array<std::string>(1, {",", ";"}));  // no effect on a number
  EXPECT_EQ(i4->getSize(), 4);
}

// ---- Arithmetic ---------------------------------------------------------------------------

enum class Op { add, subtract, multiply, divide };

DatumRef apply(Op op, const DatumRef& left, const DatumRef& right) {
  switch (op) {
    case Op::add:
      return left->add(*right);
    case Op::subtract:
      return left->subtract(*right);
    case Op::multiply:
      return left->multiply(*right);
    case Op::divide:
      break;
  }
  return left->divide(*right);
}

// The in-place form of the operation, on the left cell itself.
void applyInPlace(Op op, const DatumRef& left, const DatumRef& right) {
  switch (op) {
    case Op::add:
      return left->addInPlace(*right);
    case Op::subtract:
      return left->subtractInPlace(*right);
    case Op::multiply:
      return left->multiplyInPlace(*right);
    case Op::divide:
      EXPECT_TRUE(left->divideInPlace(*right));  // a number always has a quotient
  }
}

struct ArithmeticCase {
  TG_M_DATATYPES leftKind;
  double left;
  Op op;
  TG_M_DATATYPES rightKind;
  double right;
  double expected;  // of the left kind; ignored when error is set
  int error;
};

void PrintTo(const ArithmeticCase& c, std::ostream* out) {
  static const char* const kOps = "+-*/";
  *out << "kind " << c.leftKind << " " << c.left << " " << kOps[int(c.op)] << " kind "
       << c.rightKind << " " << c.right << " -> ";
  if (c.error) {
    *out << "error " << c.error;
  } else {
    *out << c.expected;
  }
}

class DatumArithmeticTest : public ::testing::TestWithParam<ArithmeticCase> {};

// Each row runs both forms: a fresh cell from the operator, and the left cell changed in place.
TEST_P(DatumArithmeticTest, ResultOfTheLeftKindOrError) {
  const ArithmeticCase& c = GetParam();
  const DatumRef left = cellOf(c.leftKind, c.left);
  const DatumRef right = cellOf(c.rightKind, c.right);
  const double original = left->getDouble();
  if (c.error) {
    EXPECT_EQ(errorOf([&] { apply(c.op, left, right); }), c.error);
    // The in-place form fails the same way and leaves the cell as it was.
    EXPECT_EQ(errorOf([&] { applyInPlace(c.op, left, right); }), c.error);
    EXPECT_EQ(left->getDouble(), original);
    return;
  }
  const DatumRef result = apply(c.op, left, right);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->dataType(), c.leftKind);
  EXPECT_EQ(result->getDouble(), c.expected);
  EXPECT_NE(result.get(), left.get());
  EXPECT_EQ(left->getDouble(), original);  // the operands are untouched
  applyInPlace(c.op, left, right);
  EXPECT_EQ(left->dataType(), c.leftKind);
  EXPECT_EQ(left->getDouble(), c.expected);
}

const ArithmeticCase kMixedWidths[] = {
    // 16-bit subtract reads the right operand as an Integer, the others as a Long.
    {I2, 30000, Op::subtract, I4, 40000, 0, 6},
    {I2, 30000, Op::add, I4, -20000, 10000, 0},
    {I2, 30000, Op::add, I4, 40000, 0, 6},
    {I2, -30000, Op::add, I4, 40000, 10000, 0},
    {I2, 2, Op::multiply, I4, 40000, 0, 6},
    {I2, -30000, Op::subtract, I2, 10000, 0, 6},
    {I2, 100, Op::subtract, I4, -20, 120, 0},
    {I2, 300, Op::multiply, I2, 100, 30000, 0},
    // Unsigned: carry and borrow overflow.
    {U8, 3, Op::subtract, U8, 5, 0, 6},
    {U8, 200, Op::add, U8, 100, 0, 6},
    {U8, 200, Op::add, I2, 55, 255, 0},
    {U8, 10, Op::add, I2, -1, 0, 6},
    {U8, 16, Op::multiply, U8, 16, 0, 6},
    {U8, 15, Op::multiply, U8, 17, 255, 0},
    {U8, 5, Op::add, DB, 2.5, 7, 0},  // 2.5 read as a Byte is 2
    // 32-bit overflow.
    {I4, 2147483647, Op::add, I4, 1, 0, 6},
    {I4, -2147483648.0, Op::subtract, I4, 1, 0, 6},
    {I4, 65536, Op::multiply, I4, 32768, 0, 6},
    {I4, 65536, Op::multiply, I4, -32768, -2147483648.0, 0},
    {I4, -2147483648.0, Op::divide, I4, -1, 0, 6},
    {I4, 5, Op::add, DB, 2.5, 7, 0},
    // Floating kinds.
    {SG, 1.5, Op::add, DB, 2.25, 3.75, 0},
    {SG, 1e38, Op::multiply, I4, 10, 0, 6},
    {SG, 1, Op::divide, I4, 3, double(1.0f / 3.0f), 0},
    {SG, 1, Op::add, DB, 1e39, 0, 6},  // the right operand as a Single
    {DB, 1e308, Op::multiply, I4, 10, 0, 6},
    {DB, -1e308, Op::subtract, DB, 1e308, 0, 6},
    {DB, 7, Op::divide, I4, 2, 3.5, 0},
    {DB, 1, Op::divide, I4, 3, 1.0 / 3.0, 0}};
INSTANTIATE_TEST_SUITE_P(MixedWidths, DatumArithmeticTest, ::testing::ValuesIn(kMixedWidths));

const ArithmeticCase kHalvesToEven[] = {
    {I4, 7, Op::divide, I4, 2, 4, 0},   {I4, 5, Op::divide, I4, 2, 2, 0},
    {I4, -7, Op::divide, I4, 2, -4, 0}, {I4, -5, Op::divide, I4, 2, -2, 0},
    {I4, 9, Op::divide, I4, 4, 2, 0},   {I4, 11, Op::divide, I4, 4, 3, 0},
    {I2, 7, Op::divide, I4, 2, 4, 0},   {I2, 1, Op::divide, I4, 2, 0, 0},
    {U8, 3, Op::divide, U8, 2, 2, 0},   {I4, 2147483647, Op::divide, I4, 2, 1073741824, 0}};
INSTANTIATE_TEST_SUITE_P(DivisionHalvesToEven, DatumArithmeticTest,
                         ::testing::ValuesIn(kHalvesToEven));

// A zero divisor raises 11, and 0 / 0 raises 6, for every kind.
const ArithmeticCase kZeroDivisors[] = {
    {U8, 1, Op::divide, I4, 0, 0, 11},  {U8, 255, Op::divide, DB, 0.5, 0, 11},
    {U8, 0, Op::divide, I4, 0, 0, 6},   {I2, -1, Op::divide, DB, 0, 0, 11},
    {I2, 0, Op::divide, DB, 0, 0, 6},   {I4, 5, Op::divide, SG, 0.4, 0, 11},
    {I4, 0, Op::divide, I4, 0, 0, 6},   {SG, 1.5, Op::divide, I2, 0, 0, 11},
    {SG, 0, Op::divide, I2, 0, 0, 6},   {DB, -2, Op::divide, DB, 0, 0, 11},
    {DB, 0, Op::divide, DB, -0.0, 0, 6}};
INSTANTIATE_TEST_SUITE_P(DivisionByZero, DatumArithmeticTest, ::testing::ValuesIn(kZeroDivisors));

TEST(DatumArithmeticSingleTest, SingleIsComputedInDoubleThenRounded) {
  const DatumRef sum = makeSingle(0.1f)->add(*makeSingle(0.2f));
  EXPECT_EQ(sum->getSingle(), Single(double(0.1f) + double(0.2f)));
  // 16777216 + 1 is not a Single; computed in double and rounded half to even it stays.
  EXPECT_EQ(makeSingle(16777216.0f)->add(*makeInteger4(1))->getSingle(), 16777216.0f);
  EXPECT_EQ(makeSingle(16777216.0f)->add(*makeInteger4(3))->getSingle(), 16777220.0f);
}

TEST(DatumArithmeticSingleTest, InfinityAndNaNInACellPassThroughQuietly) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(makeDouble(inf)->add(*makeDouble(1))->getDouble(), inf);
  EXPECT_TRUE(std::isnan(makeDouble(NAN)->multiply(*makeDouble(2))->getDouble()));
  // inf - inf has no value: an overflow, as any finite operands giving no finite result.
  EXPECT_EQ(errorOf([&] { makeDouble(inf)->subtract(*makeDouble(inf)); }), 6);
}

TEST(DatumModulusTest, OperandsRoundedHalfToEvenThenRemainder) {
  struct Case {
    TG_M_DATATYPES leftKind;
    double left;
    TG_M_DATATYPES rightKind;
    double right;
    Long expected;
    int error;
  };
  const Case cases[] = {
      {I4, 7, I4, 3, 1, 0},
      {I4, -7, I4, 3, -1, 0},
      {I4, 7, I4, -3, 1, 0},
      {DB, 7.5, I4, 3, 2, 0},        // 8 mod 3
      {DB, 6.5, DB, 4, 2, 0},        // 6 mod 4
      {SG, 5.5, DB, 2.5, 0, 0},      // 6 mod 2
      {I2, 100, I4, 70000, 100, 0},  // the right operand as a Long
      {I4, -2147483648.0, I4, -1, 0, 0},
      {I4, 5, I4, 0, 0, 11},
      {DB, 5, DB, 0.4, 0, 11},  // 0.4 rounds to 0
      {U8, 10, I2, -1, 0, 6},   // -1 read as a Byte
      {DB, 3e9, I4, 2, 0, 6},   // 3e9 is no Long
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + " mod " + std::to_string(c.right));
    const DatumRef left = cellOf(c.leftKind, c.left);
    const DatumRef right = cellOf(c.rightKind, c.right);
    if (c.error) {
      EXPECT_EQ(errorOf([&] { left->modulus(*right); }), c.error);
    } else {
      EXPECT_EQ(left->modulus(*right), c.expected);
      left->modulusInPlace(*right);
      EXPECT_EQ(left->dataType(), I4);
      EXPECT_EQ(left->getLong(), c.expected);
    }
  }
  EXPECT_EQ(makeAscii("17")->modulus(*makeInteger4(5)), 0);  // no remainder of a text
}

// ---- Comparisons --------------------------------------------------------------------------

TEST(DatumComparisonTest, RightOperandConvertedByTheLeftKindsGetter) {
  const DatumRef result = makeSingle(1.5f)->lessThan(*makeDouble(2));
  EXPECT_EQ(result->dataType(), U8);
  EXPECT_EQ(result->getByte(), 1);
  EXPECT_EQ(makeDouble(2)->lessThan(*makeSingle(1.5f))->getByte(), 0);

  EXPECT_EQ(makeInteger2(5)->equalTo(*makeInteger4(5))->getByte(), 1);
  EXPECT_EQ(makeInteger2(5)->lessThan(*makeInteger4(70000))->getByte(), 1);  // as a Long
  EXPECT_EQ(errorOf([] { makeUnsignedInteger(3)->lessThan(*makeInteger2(300)); }), 6);
  // 2.5 read as a Long is 2.
  EXPECT_EQ(makeInteger4(2)->equalTo(*makeDouble(2.5))->getByte(), 1);
  // Single against a double that is not a Single: the double is rounded to a Single first.
  EXPECT_EQ(makeSingle(0.1f)->equalTo(*makeDouble(0.1))->getByte(), 1);
  EXPECT_EQ(makeDouble(0.1)->equalTo(*makeSingle(0.1f))->getByte(), 0);
  EXPECT_EQ(makeInteger4(10)->greaterThan(*makeAscii("9"))->getByte(), 1);
  EXPECT_EQ(errorOf([] { makeInteger4(10)->greaterThan(*makeAscii("nine")); }), 13);
}

TEST(DatumComparisonTest, AllSixRelations) {
  const struct {
    double left;
    double right;
    const char* expected;  // <, <=, >, >=, ==, <>
  } cases[] = {{1, 2, "110001"}, {2, 2, "010110"}, {3, 2, "001101"}, {NAN, 2, "000001"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + " vs " + std::to_string(c.right));
    const DatumRef left = makeDouble(c.left);
    const DatumRef right = makeDouble(c.right);
    const DatumRef results[] = {left->lessThan(*right),    left->lessThanOrEqualTo(*right),
                                left->greaterThan(*right), left->greaterThanOrEqualTo(*right),
                                left->equalTo(*right),     left->notEqualTo(*right)};
    std::string got;
    for (const auto& r : results)
      got += char('0' + r->getByte());
    EXPECT_EQ(got, c.expected);
  }
}

TEST(DatumComparisonTest, TextsByCharacterCode) {
  const struct {
    const char* left;
    const char* right;
    bool less;
    bool equal;
  } cases[] = {
      {"abc", "abd", true, false}, {"ab", "abc", true, false},
      {"B", "a", true, false},     {"\xe9", "z", false, false},  // é is code 233, after z
      {"abc", "abc", false, true}, {"", "a", true, false},
      {"10", "9", true, false},    {"a ", "a", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
    const DatumRef left = makeAscii(c.left);
    const DatumRef right = makeAscii(c.right);
    EXPECT_EQ(left->lessThan(*right)->getByte(), c.less ? 1 : 0);
    EXPECT_EQ(left->equalTo(*right)->getByte(), c.equal ? 1 : 0);
    EXPECT_EQ(left->greaterThan(*right)->getByte(), (!c.less && !c.equal) ? 1 : 0);
  }
  // A number on the right is compared as its text: "10" sorts before "9".
  EXPECT_EQ(makeAscii("10")->lessThan(*makeInteger2(9))->getByte(), 1);
  EXPECT_EQ(makeAscii("1.5")->equalTo(*makeDouble(1.5))->getByte(), 1);
}

// ---- In place -----------------------------------------------------------------------------

TEST(DatumInPlaceTest, TheRightOperandMayBeTheSameCell) {
  const DatumRef i4 = makeInteger4(21);
  i4->addInPlace(*i4);
  EXPECT_EQ(i4->getLong(), 42);
  i4->multiplyInPlace(*i4);
  EXPECT_EQ(i4->getLong(), 1764);
  i4->subtractInPlace(*i4);
  EXPECT_EQ(i4->getLong(), 0);
  EXPECT_EQ(errorOf([&] { (void)i4->divideInPlace(*i4); }), 6);  // 0 / 0

  const DatumRef text = makeAscii("ab");
  text->addInPlace(*text);
  EXPECT_EQ(text->getString(), "abab");
  EXPECT_EQ(errorOf([&] { text->multiplyInPlace(*text); }), 13);
  EXPECT_EQ(text->getString(), "abab");
  text->subtractInPlace(*text);
  EXPECT_EQ(text->getString(), "");
}

TEST(DatumInPlaceTest, ComparisonAndModulusChangeTheKind) {
  const DatumRef cell = makeDouble(1.5);
  cell->compareInPlace(DatumComparison::lessThan, *makeInteger4(2));
  EXPECT_EQ(cell->dataType(), U8);
  EXPECT_EQ(cell->getByte(), 1);

  const DatumRef text = makeAscii("b");
  text->compareInPlace(DatumComparison::greaterThanOrEqualTo, *makeAscii("a"));
  EXPECT_EQ(text->dataType(), U8);
  EXPECT_EQ(text->getByte(), 1);

  const DatumRef i2 = makeInteger2(17);
  i2->modulusInPlace(*makeInteger2(5));
  EXPECT_EQ(i2->dataType(), I4);
  EXPECT_EQ(i2->getLong(), 2);

  // A failed comparison leaves the cell as it was.
  const DatumRef u8 = makeUnsignedInteger(3);
  EXPECT_EQ(errorOf([&] { u8->compareInPlace(DatumComparison::equalTo, *makeInteger4(-1)); }), 6);
  EXPECT_EQ(u8->getByte(), 3);
}

TEST(DatumInPlaceTest, BecomeTurnsACellIntoAFreshOneOfAnotherKind) {
  const DatumRef cell = makeAscii("abc");
  cell->setSize(Array<std::string>(1, {","}));
  cell->becomeInteger2(-5);
  EXPECT_EQ(cell->dataType(), I2);
  EXPECT_EQ(cell->getSize(), 2);
  EXPECT_EQ(cell->getString(), "-5");
  cell->becomeAscii();
  EXPECT_TRUE(cell->isVariableLength());
  EXPECT_EQ(cell->getString(), "");
  cell->becomeDouble(0.25);
  EXPECT_EQ(cell->getDouble(), 0.25);
  cell->becomeBoolean(true);
  EXPECT_EQ(cell->dataType(), U8);
  EXPECT_EQ(cell->getByte(), 1);
}

}  // namespace
}  // namespace tg
