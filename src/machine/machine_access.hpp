// The machine from the inside: the fast memory and stack paths the interpreter runs on, and
// the operations through which the program loader fills a machine. Neither is for hosts.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

#include "machine/datum.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

// ---- Memory ---------------------------------------------------------------------------------

inline DatumRef& TessaglyphMachine::cell(Integer address) {
#ifndef NDEBUG
  return checkedCell(address, "TessaglyphMachine::cell");
#else
  return m_memory[std::size_t(address)];
#endif
}

inline const DatumRef& TessaglyphMachine::cell(Integer address) const {
#ifndef NDEBUG
  return checkedCell(address, "TessaglyphMachine::cell");
#else
  return m_memory[std::size_t(address)];
#endif
}

inline DatumRef& TessaglyphMachine::checkedCell(Integer address, const char* source) {
  if (address < 0 || std::size_t(address) >= m_memory.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return m_memory[std::size_t(address)];
}

inline const DatumRef& TessaglyphMachine::checkedCell(Integer address, const char* source) const {
  if (address < 0 || std::size_t(address) >= m_memory.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return m_memory[std::size_t(address)];
}

// ---- Evaluation stack -------------------------------------------------------------------------

namespace machine_stack {
inline constexpr Long kFreshSlots = 26;
inline constexpr Long kGrowth = 25;
// A pop that leaves more free slots above the top than this cuts the stack down.
inline constexpr Long kMaxFreeSlots = 25;
}  // namespace machine_stack

inline void TessaglyphMachine::push(const DatumRef& cell) {
  using namespace machine_stack;
  // The top index is 16-bit, as the instructions see it.
  if (m_stackTop == std::numeric_limits<Integer>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  if (m_stackTop < 0) {
    m_stackSlots = kFreshSlots;
  } else if (Long(m_stackTop) + 1 >= m_stackSlots) {
    m_stackSlots += kGrowth;
  }
  if (std::size_t(m_stackSlots) > m_stack.size()) growStackStorage();
  ++m_stackTop;
  m_stack[std::size_t(m_stackTop)] = cell;
}

inline DatumRef TessaglyphMachine::pop() {
  using namespace machine_stack;
  DatumRef popped = std::move(m_stack[std::size_t(m_stackTop)]);
  --m_stackTop;
  if (m_stackTop < 0) {
    m_stackSlots = kFreshSlots;
  } else if (m_stackSlots - 1 - Long(m_stackTop) > kMaxFreeSlots) {
    m_stackSlots = Long(m_stackTop) + 1;
  }
  return popped;
}

inline const DatumRef& TessaglyphMachine::top() const {
  return m_stack[std::size_t(m_stackTop)];
}

// ---- Access for the loader, the interpreter and tests -----------------------------------------

// The operations that fill a machine and the internal paths its later layers use. All
// addresses and indexes are checked and raise 9 "Subscript out of range" outside their list.
class MachineAccess {
 public:
  static void setScriptFilename(TessaglyphMachine& machine, std::string filename) {
    machine.m_scriptFilename = std::move(filename);
  }
  // The instruction list gets `count` STOP instructions with empty debugging records.
  static void setInstructionCount(TessaglyphMachine& machine, Integer count);
  static void setInstruction(TessaglyphMachine& machine, Integer index,
                             const TG_M_INSTRUCTION& instruction);
  static void setDebugInfo(TessaglyphMachine& machine, Integer index,
                           const TG_M_DEBUGGINGINFO& info);
  // Resizes memory to `size` cells (at least the 16 predefined ones). Cells beyond the old
  // size start as empty, unnamed, variable-length texts.
  static void setMemorySize(TessaglyphMachine& machine, Long size);
  static void storeCell(TessaglyphMachine& machine, Integer address, DatumRef cell);
  static void setVariableName(TessaglyphMachine& machine, Integer address, std::string name);
  static void setPropertyCount(TessaglyphMachine& machine, Integer count);
  static void setProperty(TessaglyphMachine& machine, Integer index, const TG_M_PROPERTY& property);
  static void setRoutineLocation(TessaglyphMachine& machine, TG_M_ROUTINEARRAYINDICIES routine,
                                 Integer location);
  static void setAttributeCount(TessaglyphMachine& machine, Integer count);
  static void setAttribute(TessaglyphMachine& machine, Integer index,
                           const TG_M_ATTRIBUTEINFO& attribute);

  static DatumRef& cell(TessaglyphMachine& machine, Integer address) {
    return machine.checkedCell(address, "TessaglyphMachine::cell");
  }
  static void push(TessaglyphMachine& machine, const DatumRef& cell) { machine.push(cell); }
  static DatumRef pop(TessaglyphMachine& machine) { return machine.pop(); }
  static const DatumRef& top(const TessaglyphMachine& machine) { return machine.top(); }
  static bool stackEmpty(const TessaglyphMachine& machine) { return machine.stackEmpty(); }
  static Long stackSlots(const TessaglyphMachine& machine) { return machine.stackSlots(); }
  // The storage kept behind the slots.
  static std::size_t stackCapacity(const TessaglyphMachine& machine) {
    return machine.m_stack.size();
  }

  static bool effectiveDataLock(const TessaglyphMachine& machine) {
    return machine.effectiveDataLock();
  }
  static void addOpenFile(TessaglyphMachine& machine, std::string name, Integer handle) {
    machine.addOpenFile(std::move(name), handle);
  }
  static void removeOpenFile(TessaglyphMachine& machine, Integer handle) {
    machine.removeOpenFile(handle);
  }
};

}  // namespace tg
