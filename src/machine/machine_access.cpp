// The loader's side of the machine: filling instructions, memory, properties, routine entry
// points and attributes.
#include "machine/machine_access.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

namespace {

constexpr const char* kSource = "TessaglyphMachine::load";

template <typename T>
T& entryAt(std::vector<T>& list, Integer index) {
  if (index < 0 || std::size_t(index) >= list.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kSource);
  }
  return list[std::size_t(index)];
}

std::size_t checkedCount(Integer count) {
  if (count < 0) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kSource);
  return std::size_t(count);
}

}  // namespace

void MachineAccess::setInstructionCount(TessaglyphMachine& machine, Integer count) {
  machine.m_core->instructions.assign(checkedCount(count), TG_M_INSTRUCTION{});
  machine.m_core->debugInfo.assign(checkedCount(count), TG_M_DEBUGGINGINFO{});
}

void MachineAccess::setInstruction(TessaglyphMachine& machine, Integer index,
                                   const TG_M_INSTRUCTION& instruction) {
  entryAt(machine.m_core->instructions, index) = instruction;
}

void MachineAccess::setDebugInfo(TessaglyphMachine& machine, Integer index,
                                 const TG_M_DEBUGGINGINFO& info) {
  entryAt(machine.m_core->debugInfo, index) = info;
}

void MachineAccess::setMemorySize(TessaglyphMachine& machine, Long size) {
  // Addresses are Integers, and the predefined variables always stay.
  if (size < TessaglyphMachine::kPredefinedCells) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kSource);
  }
  if (size > Long(std::numeric_limits<Integer>::max()) + 1) raisePlatformError(PLATFORM_E_OVERFLOW);
  const auto wanted = std::size_t(size);
  machine.m_core->memory.resize(std::min(wanted, machine.m_core->memory.size()));
  machine.m_core->names.resize(wanted);
  // Every address holds a cell at all times, even when the loader stops half way.
  while (machine.m_core->memory.size() < wanted)
    machine.m_core->memory.push_back(makeAscii());
}

void MachineAccess::storeCell(TessaglyphMachine& machine, Integer address, DatumRef cell) {
  if (!cell) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kSource);
  machine.m_core->checkedCell(address, kSource) = std::move(cell);
}

void MachineAccess::setVariableName(TessaglyphMachine& machine, Integer address, std::string name) {
  machine.m_core->checkedCell(address, kSource);
  machine.m_core->names[std::size_t(address)] = std::move(name);
}

void MachineAccess::setPropertyCount(TessaglyphMachine& machine, Integer count) {
  machine.m_core->properties.assign(checkedCount(count), TG_M_PROPERTY{});
}

void MachineAccess::setProperty(TessaglyphMachine& machine, Integer index,
                                const TG_M_PROPERTY& property) {
  entryAt(machine.m_core->properties, index) = property;
  // What was read from the old properties no longer holds.
  machine.m_core->scriptDataLock.reset();
  machine.m_core->selfValidating.reset();
}

void MachineAccess::setRoutineLocation(TessaglyphMachine& machine,
                                       TG_M_ROUTINEARRAYINDICIES routine, Integer location) {
  if (routine < TG_M_RAI_VALID_MIN || routine > TG_M_RAI_VALID_MAX) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, kSource);
  }
  machine.m_core->routineLocations[std::size_t(routine)] = location;
}

void MachineAccess::setAttributeCount(TessaglyphMachine& machine, Integer count) {
  machine.m_core->attributes.assign(checkedCount(count), TG_M_ATTRIBUTEINFO{});
}

void MachineAccess::setAttribute(TessaglyphMachine& machine, Integer index,
                                 const TG_M_ATTRIBUTEINFO& attribute) {
  entryAt(machine.m_core->attributes, index) = attribute;
}

}  // namespace tg
