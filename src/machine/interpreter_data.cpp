// Data and arithmetic instructions: loads and stores (which copy values into cells that keep
// their type), arithmetic, comparisons and logic (which replace the register).
//
// Replacing the register is done in place when the register's cell is not shared: nobody else
// can see the difference, and a warm loop then makes no cell at all. A shared register (after
// SETREF, or while it sits on the stack) gets a new cell, so the other holders keep theirs.
#include <string>

#include "machine/interpreter.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

// 11006 for a store into a predefined variable that the run must not change.
Error storeRefusal(Integer address) {
  return Error(TG_M_E_CANTSETPREDEFINEDVARIABLE, kRunWithDebugSource,
               "Cannot set the value of the " +
                   getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES(address)) + " pre-defined variable.");
}

}  // namespace

void Interpreter::load(Integer address) {
  const DatumRef& source = at(address);
  reg()->setValue(*source);
}

void Interpreter::loadPointer(Integer address) {
  const Integer pointer = at(address)->getInteger();
  const DatumRef& source = at(pointer);
  reg()->setValue(*source);
}

void Interpreter::store(Integer address) {
  if (m_debug && isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES(address))) {
    goOnAfter(storeRefusal(address));  // a host that continues lets the store happen
  }
  DatumRef& target = at(address);
  target->setValue(*reg());
}

void Interpreter::storePointer(Integer address) {
  const Integer pointer = at(address)->getInteger();
  if (m_debug && isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES(pointer))) {
    goOnAfter(storeRefusal(pointer));
  }
  DatumRef& target = at(pointer);
  target->setValue(*reg());
}

void Interpreter::arithmetic(TG_M_INSTRUCTIONS opcode, Integer address) {
  const DatumRef& right = at(address);
  DatumRef& left = reg();
  if (left.unique()) {
    switch (opcode) {
      case TG_M_I_ADD:
        return left->addInPlace(*right);
      case TG_M_I_SUBTRACT:
        return left->subtractInPlace(*right);
      case TG_M_I_MULTIPLY:
        return left->multiplyInPlace(*right);
      default:
        if (!left->divideInPlace(*right)) {
          raisePlatformError(PLATFORM_E_TYPEMISMATCH, kRunSource);
        }
        return;
    }
  }
  DatumRef result;
  switch (opcode) {
    case TG_M_I_ADD:
      result = left->add(*right);
      break;
    case TG_M_I_SUBTRACT:
      result = left->subtract(*right);
      break;
    case TG_M_I_MULTIPLY:
      result = left->multiply(*right);
      break;
    default:
      result = left->divide(*right);
      if (!result) raisePlatformError(PLATFORM_E_TYPEMISMATCH, kRunSource);
      break;
  }
  left = std::move(result);
}

void Interpreter::modulus(Integer address) {
  const DatumRef& right = at(address);
  DatumRef& left = reg();
  if (left.unique()) return left->modulusInPlace(*right);
  left = makeInteger4(left->modulus(*right));
}

void Interpreter::compare(DatumComparison relation, Integer address) {
  const DatumRef& right = at(address);
  DatumRef& left = reg();
  if (left.unique()) return left->compareInPlace(relation, *right);
  left = makeBoolean(left->compare(relation, *right));
}

void Interpreter::logical(bool isAnd, Integer address) {
  const bool a = reg()->getBoolean();
  const bool b = at(address)->getBoolean();
  const bool result = isAnd ? (a && b) : (a || b);
  DatumRef& left = reg();
  if (left.unique()) return left->becomeBoolean(result);
  left = makeBoolean(result);
}

void Interpreter::logicalNot(Integer address) {
  DatumRef& target = at(address);
  target->setBoolean(!target->getBoolean());
}

}  // namespace tg
