// Control and stack instructions: jumps, branches, GOSUB, the evaluation stack and SETREF.
#include <limits>

#include "machine/interpreter.hpp"
#include "support/conversions.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// Puts the caller's counter back however the nested run ends.
class CounterRestorer {
 public:
  CounterRestorer(Integer& counter) noexcept : m_counter(counter), m_saved(counter) {}
  ~CounterRestorer() { m_counter = m_saved; }
  CounterRestorer(const CounterRestorer&) = delete;
  CounterRestorer& operator=(const CounterRestorer&) = delete;

 private:
  Integer& m_counter;
  Integer m_saved;
};

}  // namespace

// The end of the code counts as an address: a jump there fails at the fetch, as it always did.
bool Interpreter::isCodeAddress(Integer target) const noexcept {
  return target >= 0 && std::size_t(target) <= m.m_core->instructions.size();
}

void Interpreter::checkCodeAddress(Integer target) {
  if (m_debug && !isCodeAddress(target)) {
    throw Error(TG_M_E_INVALIDCODEADDRESS, kRunWithDebugSource,
                longToText(target) + " is not a valid code address.");
  }
}

void Interpreter::jump(Integer target) {
  checkCodeAddress(target);
  goTo(target);
}

// The branches check their target in the debug run whether they jump or not: a wrong target is
// a fault of the script even on the runs that happen not to take it.

void Interpreter::branchNegative(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() < 0) goTo(target);
}

void Interpreter::branchPositive(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() > 0) goTo(target);
}

void Interpreter::branchZero(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() == 0) goTo(target);
}

void Interpreter::branchTrue(Integer target) {
  checkCodeAddress(target);
  if (reg()->getBoolean()) goTo(target);
}

void Interpreter::branchFalse(Integer target) {
  checkCodeAddress(target);
  if (!reg()->getBoolean()) goTo(target);
}

void Interpreter::gosub(Integer target) {
  checkCodeAddress(target);
  if (m.m_core->runDepth >= kMaxNestedRuns)
    raisePlatformError(PLATFORM_E_OUTOFSTACKSPACE, kRunSource);
  CounterRestorer restorer(m.m_core->programCounter);
  m.run(target);
}

void Interpreter::push(Integer address) {
  m.m_core->push(at(address));
}

void Interpreter::pop(Integer address) {
  if (m.m_core->stackEmpty()) return;
  DatumRef& target = at(address);
  target = m.m_core->pop();
}

void Interpreter::checkStackNotEmpty() {
  if (m_debug && m.m_core->stackEmpty()) {
    throw Error(TG_M_E_STACKEMPTY, kRunWithDebugSource, "The stack is empty");
  }
}

void Interpreter::peek(Integer address) {
  checkStackNotEmpty();
  if (m.m_core->stackEmpty()) return;
  at(address) = m.m_core->top();
}

void Interpreter::pushMany(Integer address) {
  const Integer count = reg()->getInteger();
  for (Long a = address; a < Long(address) + count; ++a) {
    step([&] {
      if (a > std::numeric_limits<Integer>::max()) {
        raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
      }
      m.m_core->push(at(Integer(a)));
    });
  }
}

void Interpreter::popMany(Integer address) {
  const Integer count = reg()->getInteger();
  for (Long a = Long(address) + count - 1; a >= address; --a) {
    if (!m_debug && m.m_core->stackEmpty()) return;
    step([&] {
      checkStackNotEmpty();
      if (a > std::numeric_limits<Integer>::max()) {
        raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
      }
      DatumRef& target = at(Integer(a));
      target = m.m_core->pop();
    });
  }
}

void Interpreter::setRef(Integer address) {
  DatumRef& source = at(address);
  reg() = source;
}

}  // namespace tg
