// Casts, numeric helpers (TIMER, FPART, IPART, INT, LOADNOPOINT), LIKE, MEXSETFILE, and the
// instructions that raise instead of acting.
#include <cmath>
#include <string>

#include "machine/interpreter.hpp"
#include "support/conversions.hpp"
#include "support/pattern_match.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

// Replaces the register by a double: in place when nobody shares it.
void setRegisterDouble(DatumRef& registerCell, Double value) {
  if (registerCell.unique()) {
    registerCell->becomeDouble(value);
  } else {
    registerCell = makeDouble(value);
  }
}

}  // namespace

DatumRef& Interpreter::asciiOperand(Integer address, const char* instructionName) {
  DatumRef& target = at(address);
  if (m_debug && target->dataType() != TG_M_DT_ASCII) {
    throw Error(TG_M_E_INVALIDDATATYPE, kRunWithDebugSource,
                std::string("The ") + instructionName +
                    " instruction requires its operand to point to a memory address with a data "
                    "type of [ascii].");
  }
  return target;
}

void Interpreter::cast(TG_M_DATATYPES kind, Integer address) {
  if (m_debug && address < 15 && isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES(address))) {
    // A host that continues lets the cast happen.
    goOnAfter(Error(TG_M_E_CANTCASTADDRESS, kRunWithDebugSource,
                    longToText(address) + " cannot be cast."));
  }
  DatumRef& target = at(address);
  DatumRef fresh = makeDatum(kind);
  try {
    fresh->setValue(*target);
  } catch (const Error&) {
    // A value the new type cannot hold is dropped on purpose: a cast never fails.
  }
  target = std::move(fresh);
}

void Interpreter::timerValue() {
  setRegisterDouble(reg(), Double(m.m_core->clock()));
}

void Interpreter::fractionalPart(Integer address) {
  const Double x = at(address)->getDouble();
  setRegisterDouble(reg(), x - std::trunc(x));
}

void Interpreter::integerPart(Integer address) {
  const Double x = at(address)->getDouble();
  setRegisterDouble(reg(), std::trunc(x));
}

void Interpreter::like(Integer address) {
  const bool matches = likeMatch(reg()->getString(), at(address)->getString());
  DatumRef& left = reg();
  if (left.unique()) return left->becomeBoolean(matches);
  left = makeBoolean(matches);
}

// LOADNOPOINT n: the register becomes a two-byte integer holding the operand itself.
void Interpreter::loadNoPoint(Integer number) {
  DatumRef& left = reg();
  if (left.unique()) return left->becomeInteger2(number);
  left = makeInteger2(number);
}

void Interpreter::intValue(Integer address) {
  const Double value = at(address)->getDouble();
  if (m_debug && value >= 18446744073709551616.0) {
    throw Error(TG_M_E_INVALIDOPERANDVALUE, kRunWithDebugSource,
                "The INT instruction cannot operate on data with values greater than or equal to "
                "2 ^ 64");
  }
  const Double floored = std::floor(value);
  if (!(floored >= -2147483648.0 && floored <= 2147483647.0)) {
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  DatumRef& left = reg();
  if (left.unique()) return left->becomeInteger4(Long(floored));
  left = makeInteger4(Long(floored));
}

void Interpreter::mexSetFile(Integer address) {
  m.m_core->mexFile = at(address)->getInteger();
}

void Interpreter::notFunctional(TG_M_INSTRUCTIONS opcode) {
  const char* name = opcode == TG_M_I_STRING2LATLON ? "STRING2LATLON"
                     : opcode == TG_M_I_LAT2STRING  ? "LAT2STRING"
                     : opcode == TG_M_I_LON2STRING  ? "LON2STRING"
                                                    : "SKIP";
  throw Error(1, kRunWithDebugSource, std::string(name) + " instruction not functional");
}

void Interpreter::writePointData() {
  if (m.effectiveDataLock()) {
    throw Error(TG_M_E_DATALOCKED, "", "The WRITEPD instruction has been disabled");
  }
  throw Error(1, kRunWithDebugSource, "WRITEPD instruction not functional");
}

void Interpreter::invalidInstruction(TG_M_INSTRUCTIONS opcode) {
  throw Error(TG_M_E_INVALIDINSTRUCTION, kRunWithDebugSource,
              "The instruction code " + longToText(opcode) + " is invalid");
}

}  // namespace tg
