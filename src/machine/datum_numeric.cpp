// The numeric kinds of the value cells: conversions between kinds, arithmetic and comparisons.
//
// Arithmetic reads the right operand through the getter the LEFT cell's kind chooses and gives
// a result of the left kind:
//   unsigned  getByte                                    8-bit: carry or borrow is overflow
//   16-bit    getLong (+, *, /, mod, comparisons),        computed wide, then narrowed
//             getInteger (-)
//   32-bit    getLong                                    overflow detected
//   single    getSingle                                  computed in double, rounded to single
//   double    getDouble
// Integer division takes the floating quotient rounded half to even (7 / 2 = 4, 5 / 2 = 2). A
// zero divisor raises 11, except 0 / 0, which has no value at all and raises 6, as the platform
// does.
#include <cmath>
#include <string>
#include <type_traits>

#include "machine/datum.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace datum_detail {

void raiseOverflow() {
  raisePlatformError(PLATFORM_E_OVERFLOW);
}

}  // namespace datum_detail

namespace {

using datum_detail::fitInto;
using datum_detail::Operation;
using datum_detail::raiseOverflow;

[[noreturn]] void raiseZeroDivisor(bool dividendIsZero) {
  if (dividendIsZero) raiseOverflow();
  raisePlatformError(PLATFORM_E_DIVISIONBYZERO);
}

template <typename T>
T roundedQuotient(long long dividend, long long divisor) {
  if (divisor == 0) raiseZeroDivisor(dividend == 0);
  // Exact enough: for 32-bit operands the double quotient is never closer to a half than the
  // true quotient is, so halves are found exactly.
  const double quotient = double(dividend) / double(divisor);
  if constexpr (std::is_same_v<T, Byte>) {
    return roundToByte(quotient);
  } else if constexpr (std::is_same_v<T, Integer>) {
    return roundToInteger(quotient);
  } else {
    return roundToLong(quotient);
  }
}

// Whole-number arithmetic in 64 bits, which holds every sum, difference and product of two
// 32-bit values, then narrowed to the result's width.
template <typename T>
T integerResult(Operation operation, long long a, long long b) {
  switch (operation) {
    case Operation::add:
      return fitInto<T>(a + b);
    case Operation::subtract:
      return fitInto<T>(a - b);
    case Operation::multiply:
      return fitInto<T>(a * b);
    case Operation::divide:
      break;
  }
  return roundedQuotient<T>(a, b);
}

double floatingResult(Operation operation, double a, double b) {
  double result = 0.0;
  switch (operation) {
    case Operation::add:
      result = a + b;
      break;
    case Operation::subtract:
      result = a - b;
      break;
    case Operation::multiply:
      result = a * b;
      break;
    case Operation::divide:
      if (b == 0.0) raiseZeroDivisor(a == 0.0);
      result = a / b;
      break;
  }
  // Finite operands with no finite result overflowed (or, as inf - inf would, had no value):
  // the platform raises overflow for both. Infinities and NaN read from a file into a cell
  // pass through the arithmetic quietly.
  if (!std::isfinite(result) && std::isfinite(a) && std::isfinite(b)) raiseOverflow();
  if (std::isnan(result) && !std::isnan(a) && !std::isnan(b)) raiseOverflow();
  return result;
}

template <typename T>
bool holds(DatumComparison relation, T a, T b) {
  switch (relation) {
    case DatumComparison::lessThan:
      return a < b;
    case DatumComparison::lessThanOrEqualTo:
      return a <= b;
    case DatumComparison::greaterThan:
      return a > b;
    case DatumComparison::greaterThanOrEqualTo:
      return a >= b;
    case DatumComparison::equalTo:
      return a == b;
    case DatumComparison::notEqualTo:
      break;
  }
  return !(a == b);  // true for NaN, as the other five are false
}

}  // namespace

// ---- Conversions and stores -------------------------------------------------------------------

void TessaglyphDatum::setValue(const TessaglyphDatum& value) {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      m_value.u8 = value.getByte();
      return;
    case TG_M_DT_INTEGER2:
      m_value.i16 = value.getInteger();
      return;
    case TG_M_DT_INTEGER4:
      m_value.i32 = value.getLong();
      return;
    case TG_M_DT_SINGLE:
      m_value.f32 = value.getSingle();
      return;
    case TG_M_DT_DOUBLE:
      m_value.f64 = value.getDouble();
      return;
    case TG_M_DT_ASCII:
      break;
  }
  if (value.isAscii()) {
    setString(value.text().text);
  } else {
    setString(value.getString());
  }
}

std::string TessaglyphDatum::getString() const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return std::to_string(m_value.u8);
    case TG_M_DT_INTEGER2:
      return std::to_string(m_value.i16);
    case TG_M_DT_INTEGER4:
      return std::to_string(m_value.i32);
    case TG_M_DT_SINGLE:
      return singleToText(m_value.f32);
    case TG_M_DT_DOUBLE:
      return doubleToText(m_value.f64);
    case TG_M_DT_ASCII:
      break;
  }
  return text().text;
}

Long TessaglyphDatum::getSize() const noexcept {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return 1;
    case TG_M_DT_INTEGER2:
      return 2;
    case TG_M_DT_INTEGER4:
    case TG_M_DT_SINGLE:
      return 4;
    case TG_M_DT_DOUBLE:
      return 8;
    case TG_M_DT_ASCII:
      break;
  }
  return Long(text().text.size());
}

void TessaglyphDatum::reset() {
  if (m_kind == TG_M_DT_ASCII) {
    setString({});
  } else {
    m_value.f64 = 0.0;  // clears every narrower member too
  }
}

void TessaglyphDatum::setFromString(std::string_view rhs) {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      m_value.u8 = textToByte(rhs);
      return;
    case TG_M_DT_INTEGER2:
      m_value.i16 = textToInteger(rhs);
      return;
    case TG_M_DT_INTEGER4:
      m_value.i32 = textToLong(rhs);
      return;
    case TG_M_DT_SINGLE:
      m_value.f32 = textToSingle(rhs);
      return;
    case TG_M_DT_DOUBLE:
      m_value.f64 = textToDouble(rhs);
      return;
    case TG_M_DT_ASCII:
      break;
  }
  setString(rhs);
}

// Each own setter stores through a cell of its own kind, so that every kind converts by the
// one set of rules setValue applies.
void TessaglyphDatum::setByte(Byte value) {
  TessaglyphDatum source;
  source.becomeUnsignedInteger(value);
  setValue(source);
}

void TessaglyphDatum::setBoolean(Boolean value) {
  setByte(value ? 1 : 0);
}

void TessaglyphDatum::setInteger(Integer value) {
  TessaglyphDatum source;
  source.becomeInteger2(value);
  setValue(source);
}

void TessaglyphDatum::setLong(Long value) {
  TessaglyphDatum source;
  source.becomeInteger4(value);
  setValue(source);
}

void TessaglyphDatum::setSingle(Single value) {
  TessaglyphDatum source;
  source.becomeSingle(value);
  setValue(source);
}

void TessaglyphDatum::setDouble(Double value) {
  TessaglyphDatum source;
  source.becomeDouble(value);
  setValue(source);
}

// ---- Arithmetic -------------------------------------------------------------------------------

TessaglyphDatum::Payload TessaglyphDatum::arithmetic(Operation operation,
                                                     const TessaglyphDatum& rhs) const {
  const Operation op = operation;
  Payload result;
  result.f64 = 0.0;
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      result.u8 = integerResult<Byte>(op, m_value.u8, rhs.getByte());
      break;
    case TG_M_DT_INTEGER2: {
      const long long right = operation == Operation::subtract ? rhs.getInteger() : rhs.getLong();
      result.i16 = integerResult<Integer>(op, m_value.i16, right);
      break;
    }
    case TG_M_DT_INTEGER4:
      result.i32 = integerResult<Long>(op, m_value.i32, rhs.getLong());
      break;
    case TG_M_DT_SINGLE:
      result.f32 = toSingle(floatingResult(op, m_value.f32, rhs.getSingle()));
      break;
    case TG_M_DT_DOUBLE:
      result.f64 = floatingResult(op, m_value.f64, rhs.getDouble());
      break;
    case TG_M_DT_ASCII:
      break;  // texts have their own operations
  }
  return result;
}

DatumRef TessaglyphDatum::numericResult(Operation operation, const TessaglyphDatum& rhs) const {
  const Payload value = arithmetic(operation, rhs);
  DatumRef cell = DatumPool::newCell();
  cell->m_kind = m_kind;
  cell->m_value = value;
  return cell;
}

DatumRef TessaglyphDatum::add(const TessaglyphDatum& rhs) const {
  if (m_kind == TG_M_DT_ASCII) return textResult(Operation::add, rhs);
  return numericResult(Operation::add, rhs);
}

DatumRef TessaglyphDatum::subtract(const TessaglyphDatum& rhs) const {
  if (m_kind == TG_M_DT_ASCII) return textResult(Operation::subtract, rhs);
  return numericResult(Operation::subtract, rhs);
}

DatumRef TessaglyphDatum::multiply(const TessaglyphDatum& rhs) const {
  if (m_kind == TG_M_DT_ASCII) return textResult(Operation::multiply, rhs);
  return numericResult(Operation::multiply, rhs);
}

// A text has no quotient: the empty reference tells the caller that no result cell exists.
DatumRef TessaglyphDatum::divide(const TessaglyphDatum& rhs) const {
  if (m_kind == TG_M_DT_ASCII) return {};
  return numericResult(Operation::divide, rhs);
}

Long TessaglyphDatum::modulus(const TessaglyphDatum& rhs) const {
  long long dividend = 0;
  long long divisor = 0;
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      dividend = m_value.u8;
      divisor = rhs.getByte();
      break;
    case TG_M_DT_INTEGER2:
      dividend = m_value.i16;
      divisor = rhs.getLong();
      break;
    case TG_M_DT_INTEGER4:
      dividend = m_value.i32;
      divisor = rhs.getLong();
      break;
    case TG_M_DT_SINGLE:
      dividend = roundToLong(m_value.f32);
      divisor = roundToLong(rhs.getSingle());
      break;
    case TG_M_DT_DOUBLE:
      dividend = roundToLong(m_value.f64);
      divisor = roundToLong(rhs.getDouble());
      break;
    case TG_M_DT_ASCII:
      return 0;
  }
  if (divisor == 0) raisePlatformError(PLATFORM_E_DIVISIONBYZERO);
  // In 64 bits, so that the smallest Long modulo -1 is 0 rather than a trap.
  return Long(dividend % divisor);
}

// ---- Comparisons ------------------------------------------------------------------------------

bool TessaglyphDatum::compare(DatumComparison relation, const TessaglyphDatum& rhs) const {
  switch (m_kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return holds<int>(relation, m_value.u8, rhs.getByte());
    case TG_M_DT_INTEGER2:
      return holds<Long>(relation, m_value.i16, rhs.getLong());
    case TG_M_DT_INTEGER4:
      return holds<Long>(relation, m_value.i32, rhs.getLong());
    case TG_M_DT_SINGLE:
      return holds<Single>(relation, m_value.f32, rhs.getSingle());
    case TG_M_DT_DOUBLE:
      return holds<Double>(relation, m_value.f64, rhs.getDouble());
    case TG_M_DT_ASCII:
      break;
  }
  // Texts compare by character code, byte by byte as unsigned values (so "é" sorts after "z"),
  // which is what std::char_traits<char> does.
  const std::string_view left = text().text;
  if (rhs.isAscii()) return holds<int>(relation, left.compare(rhs.text().text), 0);
  const std::string right = rhs.getString();
  return holds<int>(relation, left.compare(right), 0);
}

DatumRef TessaglyphDatum::lessThan(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::lessThan, rhs));
}
DatumRef TessaglyphDatum::lessThanOrEqualTo(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::lessThanOrEqualTo, rhs));
}
DatumRef TessaglyphDatum::greaterThan(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::greaterThan, rhs));
}
DatumRef TessaglyphDatum::greaterThanOrEqualTo(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::greaterThanOrEqualTo, rhs));
}
DatumRef TessaglyphDatum::equalTo(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::equalTo, rhs));
}
DatumRef TessaglyphDatum::notEqualTo(const TessaglyphDatum& rhs) const {
  return makeBoolean(compare(DatumComparison::notEqualTo, rhs));
}

// ---- In place ---------------------------------------------------------------------------------

void TessaglyphDatum::addInPlace(const TessaglyphDatum& rhs) {
  if (m_kind == TG_M_DT_ASCII) {
    textAddInPlace(rhs);
  } else {
    m_value = arithmetic(Operation::add, rhs);
  }
}

void TessaglyphDatum::subtractInPlace(const TessaglyphDatum& rhs) {
  if (m_kind == TG_M_DT_ASCII) {
    textSubtractInPlace(rhs);
  } else {
    m_value = arithmetic(Operation::subtract, rhs);
  }
}

void TessaglyphDatum::multiplyInPlace(const TessaglyphDatum& rhs) {
  if (m_kind == TG_M_DT_ASCII) {
    textMultiplyInPlace(rhs);
  } else {
    m_value = arithmetic(Operation::multiply, rhs);
  }
}

bool TessaglyphDatum::divideInPlace(const TessaglyphDatum& rhs) {
  if (m_kind == TG_M_DT_ASCII) return false;
  m_value = arithmetic(Operation::divide, rhs);
  return true;
}

void TessaglyphDatum::modulusInPlace(const TessaglyphDatum& rhs) {
  becomeInteger4(modulus(rhs));
}

void TessaglyphDatum::compareInPlace(DatumComparison relation, const TessaglyphDatum& rhs) {
  becomeBoolean(compare(relation, rhs));
}

// ---- Making cells -----------------------------------------------------------------------------

DatumRef makeDatum(TG_M_DATATYPES kind) {
  switch (kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return makeUnsignedInteger(0);
    case TG_M_DT_INTEGER2:
      return makeInteger2(0);
    case TG_M_DT_INTEGER4:
      return makeInteger4(0);
    case TG_M_DT_SINGLE:
      return makeSingle(0.0f);
    case TG_M_DT_DOUBLE:
      return makeDouble(0.0);
    case TG_M_DT_ASCII:
      return makeAscii();
  }
  raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL);
}

}  // namespace tg
