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
  return target >= 0 && std::size_t(target) <= m.m_instructions.size();
}

void Interpreter::checkCodeAddress(Integer target) {
  if (m_debug && !isCodeAddress(target)) {
    throw Error(TG_M_E_INVALIDCODEADDRESS, kRunWithDebugSource,
                longToText(target) + " is not a valid code address.");
  }
}

// GOTO op: the counter goes to op. The plain run raises nothing here (a target outside the code
// fails at the fetch); the debug run refuses such a target with 11005 before jumping.
void Interpreter::jump(Integer target) {
  checkCodeAddress(target);
  goTo(target);
}

// The branches check their target in the debug run whether they jump or not: a wrong target is
// a fault of the script even on the runs that happen not to take it.

// BRANCHNEG op: jumps when the register as a double is below 0; 13 for a text that is no number.
void Interpreter::branchNegative(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() < 0) goTo(target);
}

// BRANCHPOS op: jumps when the register as a double is above 0; 13 as BRANCHNEG.
void Interpreter::branchPositive(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() > 0) goTo(target);
}

// BRANCHZERO op: jumps when the register as a double is 0; 13 as BRANCHNEG.
void Interpreter::branchZero(Integer target) {
  checkCodeAddress(target);
  if (reg()->getDouble() == 0) goTo(target);
}

// BRANCHTRUE op: jumps when the register is true (a number not 0, a text not empty).
void Interpreter::branchTrue(Integer target) {
  checkCodeAddress(target);
  if (reg()->getBoolean()) goTo(target);
}

// BRANCHFALSE op: jumps when the register is false.
void Interpreter::branchFalse(Integer target) {
  checkCodeAddress(target);
  if (!reg()->getBoolean()) goTo(target);
}

// GOSUB op: a nested run from op (its own error path; its STOP returns), then on past the
// GOSUB. 28 "Out of stack space" when runs are already nested kMaxNestedRuns deep; 11005 for a
// target outside the code in the debug run.
void Interpreter::gosub(Integer target) {
  checkCodeAddress(target);
  if (m.m_runDepth >= kMaxNestedRuns) raisePlatformError(PLATFORM_E_OUTOFSTACKSPACE, kRunSource);
  CounterRestorer restorer(m.m_programCounter);
  m.run(target);
}

// PUSH op: the cell at op itself goes on the stack (shared, not copied). 6 when the stack is
// full.
void Interpreter::push(Integer address) {
  m.push(at(address));
}

// POP op: the top cell replaces the cell at op and leaves the stack; nothing on an empty stack.
void Interpreter::pop(Integer address) {
  if (m.stackEmpty()) return;
  DatumRef& target = at(address);
  target = m.pop();
}

void Interpreter::checkStackNotEmpty() {
  if (m_debug && m.stackEmpty()) {
    throw Error(TG_M_E_STACKEMPTY, kRunWithDebugSource, "The stack is empty");
  }
}

// PEEK op: the top cell replaces the cell at op and stays; nothing on an empty stack (11014 in
// the debug run).
void Interpreter::peek(Integer address) {
  checkStackNotEmpty();
  if (m.stackEmpty()) return;
  at(address) = m.top();
}

// PUSHM op: pushes the register-count cells at op, op+1, ... in that order. 9 when the block
// leaves memory (nothing is pushed then); 6 for a count that is no 16-bit number.
void Interpreter::pushMany(Integer address) {
  const Integer count = reg()->getInteger();
  if (count <= 0) return;
  const Long last = Long(address) + count - 1;
  at(address);
  if (last > std::numeric_limits<Integer>::max()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
  }
  at(Integer(last));
  for (Long a = address; a <= last; ++a)
    m.push(m.m_memory[std::size_t(a)]);
}

// POPM op: pops the register-count cells back into op+n-1 down to op, so that it undoes a
// PUSHM of the same block; addresses left when the stack runs empty stay as they are (the debug
// run raises 11014 there instead). 9 for an address outside memory.
void Interpreter::popMany(Integer address) {
  const Integer count = reg()->getInteger();
  for (Long a = Long(address) + count - 1; a >= address; --a) {
    checkStackNotEmpty();
    if (m.stackEmpty()) return;
    if (a > std::numeric_limits<Integer>::max()) {
      raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kRunSource);
    }
    DatumRef& target = at(Integer(a));
    target = m.pop();
  }
}

// SETREF op: the register becomes the very cell at op, so both addresses hold one cell.
void Interpreter::setRef(Integer address) {
  DatumRef& source = at(address);
  reg() = source;
}

}  // namespace tg
