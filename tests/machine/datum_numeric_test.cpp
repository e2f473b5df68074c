// Numeric value cells: conversions, arithmetic and its overflow, comparisons across kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"

namespace tg {
namespace {

using test::cellOf;

constexpr auto U8 = TG_M_DT_UNSIGNEDINTEGER;
constexpr auto I2 = TG_M_DT_INTEGER2;
constexpr auto I4 = TG_M_DT_INTEGER4;
constexpr auto SG = TG_M_DT_SINGLE;
constexpr auto DB = TG_M_DT_DOUBLE;
constexpr auto TX = TG_M_DT_ASCII;

TEST(CellNumbers, NewCellsHoldZeroOfTheirKind) {
  std::string shown;
  for (const auto kind : {U8, I2, I4, SG, DB, TX})
    shown += test::show(makeDatum(kind)) + " ";
  EXPECT_EQ(shown, "B:0 I:0 L:0 S:0 D:0 T: ");
  EXPECT_GIVES(makeDatum(TG_M_DATATYPES(6)), "error 5");
}

// Getters round half to even and raise 6 where the value does not fit; texts convert as numbers.
TEST(CellNumbers, Getters) {
  EXPECT_GIVES(cellOf(I2, -1)->getByte(), "error 6");
  EXPECT_GIVES(cellOf(I2, 256)->getByte(), "error 6");
  EXPECT_GIVES(cellOf(I4, 70000)->getInteger(), "error 6");
  EXPECT_GIVES(cellOf(SG, 2.5)->getLong(), "2");
  EXPECT_GIVES(cellOf(SG, 3.5)->getLong(), "4");
  EXPECT_GIVES(cellOf(DB, 255.5)->getByte(), "error 6");
  EXPECT_GIVES(cellOf(DB, 2147483647.5)->getLong(), "error 6");
  EXPECT_GIVES(cellOf(DB, 1e39)->getSingle(), "error 6");
  EXPECT_GIVES(makeAscii(" 2.5 ")->getInteger(), "2");
  EXPECT_GIVES(makeAscii("&HFFFF")->getInteger(), "-1");
  EXPECT_GIVES(makeAscii("x")->getDouble(), "error 13");
  EXPECT_GIVES(makeDouble(-0.0)->getBoolean(), "false");
  EXPECT_GIVES(makeAscii("False")->getBoolean(), "true");
}

// A store converts by the target's own getter; a failed store leaves the cell as it was.
TEST(CellNumbers, StoresConvertIntoTheCellsKind) {
  const DatumRef u8 = makeUnsignedInteger(9);
  EXPECT_GIVES(u8->setValue(*makeInteger2(-1)), "error 6");
  EXPECT_GIVES(u8, "B:9");
  const DatumRef i2 = makeInteger2(9);
  EXPECT_GIVES((i2->setValue(*makeDouble(2.5)), i2), "I:2");
  EXPECT_GIVES(i2->setFromString("40000"), "error 6");
  EXPECT_GIVES(makeSingle()->setValue(*makeAscii("abc")), "error 13");
  const DatumRef text = makeAscii();
  EXPECT_GIVES((text->setFixedLength(5), text->setValue(*makeDouble(1.5)), text), "T:1.5  ");
  const DatumRef i4 = makeInteger4(12);
  EXPECT_GIVES((i4->setSize(Array<std::string>(1, {","})), i4->getSize()), "4");
  const DatumRef big = makeDouble(1e300);
  EXPECT_GIVES((big->reset(), big), "D:0");
}

// Both forms, fresh and in place (unchanged on an error): the left kind; x / 0 raises 11, 0 / 0 6.
TEST(CellNumbers, Arithmetic) {
  const struct {
    TG_M_DATATYPES leftKind;
    double left;
    char op;
    TG_M_DATATYPES rightKind;
    double right;
    const char* expected;
  } rows[] = {
      {I2, 30000, '-', I4, 40000, "error 6"},  // 16-bit subtract reads the right as an Integer
      {I2, -30000, '+', I4, 40000, "I:10000"},
      {U8, 3, '-', U8, 5, "error 6"},
      {U8, 200, '+', U8, 100, "error 6"},
      {U8, 5, '+', DB, 2.5, "B:7"},
      {I4, 65536, '*', I4, -32768, "L:-2147483648"},
      {I4, -2147483648.0, '/', I4, -1, "error 6"},
      {SG, 1e38, '*', I4, 10, "error 6"},
      {DB, 1e308, '*', I4, 10, "error 6"},
      {DB, 1, '/', I4, 3, "D:0.333333333333333"},
      {I4, 7, '/', I4, 2, "L:4"},
      {I4, 5, '/', I4, 2, "L:2"},
      {U8, 3, '/', U8, 2, "B:2"},
      {U8, 255, '/', DB, 0.5, "error 11"},
      {U8, 0, '/', I4, 0, "error 6"},
      {DB, -2, '/', DB, 0, "error 11"},
      {DB, 0, '/', DB, -0.0, "error 6"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::show(cellOf(row.leftKind, row.left)) + " " + row.op + " " +
                 test::show(cellOf(row.rightKind, row.right)));
    const DatumRef left = cellOf(row.leftKind, row.left);
    const DatumRef right = cellOf(row.rightKind, row.right);
    const std::string before = test::show(left);
    const TessaglyphDatum& r = *right;
    EXPECT_GIVES(row.op == '+'   ? left->add(r)
                 : row.op == '-' ? left->subtract(r)
                 : row.op == '*' ? left->multiply(r)
                                 : left->divide(r),
                 row.expected);
    const auto inPlace = [&] {
      if (row.op == '+') left->addInPlace(r);
      if (row.op == '-') left->subtractInPlace(r);
      if (row.op == '*') left->multiplyInPlace(r);
      if (row.op == '/') (void)left->divideInPlace(r);
      return left;
    };
    EXPECT_GIVES(inPlace(), row.expected);
    if (std::string(row.expected).starts_with("error")) {
      EXPECT_EQ(test::show(left), before);
    }
  }
  // Infinity read into a cell passes quietly; inf - inf has no value: an overflow.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_GIVES(makeDouble(inf)->add(*makeDouble(1))->getDouble(), "inf");
  EXPECT_GIVES(makeDouble(inf)->subtract(*makeDouble(inf)), "error 6");
}

// Both operands rounded half to even to a Long, then the remainder; the result is a Long.
TEST(CellNumbers, Modulus) {
  const struct {
    TG_M_DATATYPES leftKind;
    double left;
    TG_M_DATATYPES rightKind;
    double right;
    const char* expected;
  } rows[] = {
      {I4, -7, I4, 3, "L:-1"},    {DB, 7.5, I4, 3, "L:2"},      {SG, 8, SG, 2.6, "L:2"},
      {I4, 5, I4, 0, "error 11"}, {DB, 5, DB, 0.4, "error 11"}, {DB, 3e9, I4, 2, "error 6"},
  };
  for (const auto& row : rows) {
    const DatumRef left = cellOf(row.leftKind, row.left);
    EXPECT_GIVES((left->modulusInPlace(*cellOf(row.rightKind, row.right)), left), row.expected);
  }
  EXPECT_GIVES(makeAscii("17")->modulus(*makeInteger4(5)), "0");  // no remainder of a text
}

// <, <=, >, >=, ==, <> as digits; the right operand is read by the left kind's getter.
TEST(CellNumbers, Comparisons) {
  const struct {
    DatumRef left;
    DatumRef right;
    const char* expected;
  } rows[] = {
      {makeDouble(1), makeDouble(2), "110001"},
      {makeDouble(2), makeDouble(2), "010110"},
      {makeDouble(NAN), makeDouble(2), "000001"},
      {makeAscii("B"), makeAscii("a"), "110001"},
      {makeAscii("\xe9"), makeAscii("z"), "001101"},
      {makeAscii("10"), makeInteger2(9), "110001"},  // a number on the right as its text
      {makeUnsignedInteger(7), makeUnsignedInteger(3), "001101"},
      {makeInteger4(2), makeDouble(2.5), "010110"},  // 2.5 as a Long is 2
      {makeDouble(0.1), makeSingle(0.1f), "110001"},
  };
  for (const auto& row : rows) {
    const DatumRef& l = row.left;
    const DatumRef& r = row.right;
    const DatumRef results[] = {l->lessThan(*r),    l->lessThanOrEqualTo(*r),
                                l->greaterThan(*r), l->greaterThanOrEqualTo(*r),
                                l->equalTo(*r),     l->notEqualTo(*r)};
    std::string got;
    for (const auto& result : results)
      got += char('0' + result->getByte());
    EXPECT_EQ(got, row.expected) << test::show(l) << " vs " << test::show(r);
  }
  EXPECT_GIVES(makeUnsignedInteger(3)->lessThan(*makeInteger2(300)), "error 6");
  EXPECT_GIVES(makeInteger4(10)->greaterThan(*makeAscii("nine")), "error 13");
}

}  // namespace
}  // namespace tg
