// The machine from the inside: the fast memory and stack paths the interpreter runs on, and
// the operations through which the program loader fills a machine. Neither is for hosts.
#pragma once

#include <cstddef>
#include <string>

#include "machine/machine_core.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

// ---- Access for the loader, the interpreter and tests -----------------------------------------

// The operations that fill a machine and the internal paths its later layers use. All
// addresses and indexes are checked and raise 9 "Subscript out of range" outside their list.
class MachineAccess {
 public:
  static void setScriptFilename(TessaglyphMachine& machine, std::string filename) {
    machine.m_core->scriptFilename = std::move(filename);
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
    return machine.m_core->checkedCell(address, "TessaglyphMachine::cell");
  }
  static void push(TessaglyphMachine& machine, const DatumRef& cell) { machine.m_core->push(cell); }
  static DatumRef pop(TessaglyphMachine& machine) { return machine.m_core->pop(); }
  static const DatumRef& top(const TessaglyphMachine& machine) { return machine.m_core->top(); }
  static bool stackEmpty(const TessaglyphMachine& machine) { return machine.m_core->stackEmpty(); }
  static Long stackSlots(const TessaglyphMachine& machine) { return machine.m_core->stackSlots; }
  // The storage kept behind the slots.
  static std::size_t stackCapacity(const TessaglyphMachine& machine) {
    return machine.m_core->stack.size();
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
