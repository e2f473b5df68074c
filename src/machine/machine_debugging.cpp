// The machine's debugging members: breakpoints by source line and by instruction, and memory
// dumps for a host that shows the script's state while it holds a run.
#include <cstddef>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "machine/machine_core.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

namespace {

// Sets `flag` on the first instruction of every run of consecutive instructions on `line`: a
// line the code returns to later (after a jump target, say) is entered once per run.
void flagLineStarts(std::vector<TG_M_DEBUGGINGINFO>& records, Integer line, bool flag) {
  bool inRun = false;
  for (TG_M_DEBUGGINGINFO& record : records) {
    const bool onLine = record.lineNumber == line;
    if (onLine && !inRun) record.breakpoint = flag;
    inRun = onLine;
  }
}

}  // namespace

void TessaglyphMachine::setBreakpoint(Integer lineNumber) {
  MethodScope scope(profiler(), "TessaglyphMachine::setBreakpoint");
  flagLineStarts(m_core->debugInfo, lineNumber, true);
}

void TessaglyphMachine::clearBreakpoint(Integer lineNumber) {
  MethodScope scope(profiler(), "TessaglyphMachine::clearBreakpoint");
  flagLineStarts(m_core->debugInfo, lineNumber, false);
}

void TessaglyphMachine::clearAllBreakpoints() {
  MethodScope scope(profiler(), "TessaglyphMachine::clearAllBreakpoints");
  for (TG_M_DEBUGGINGINFO& record : m_core->debugInfo)
    record.breakpoint = false;
}

void TessaglyphMachine::setInstructionBreakpoint(Integer instructionNumber) {
  constexpr const char* source = "TessaglyphMachine::setInstructionBreakpoint";
  MethodScope scope(profiler(), source);
  if (instructionNumber < 0 || std::size_t(instructionNumber) >= m_core->debugInfo.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  m_core->debugInfo[std::size_t(instructionNumber)].breakpoint = true;
}

void TessaglyphMachine::clearInstructionBreakpoint(Integer instructionNumber) {
  constexpr const char* source = "TessaglyphMachine::clearInstructionBreakpoint";
  MethodScope scope(profiler(), source);
  if (instructionNumber < 0 || std::size_t(instructionNumber) >= m_core->debugInfo.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  m_core->debugInfo[std::size_t(instructionNumber)].breakpoint = false;
}

namespace {

// The last address a dump covers; 9 unless the range lies within memory.
Integer dumpEnd(Integer first, Integer last, Integer size, const char* source) {
  if (last == -1) last = Integer(size - 1);
  if (first < 0 || first > last || last >= size) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return last;
}

}  // namespace

Array<TG_M_DATAINFO> TessaglyphMachine::dumpMemory(Integer first, Integer last) const {
  constexpr const char* source = "TessaglyphMachine::dumpMemory";
  MethodScope scope(profiler(), source);
  last = dumpEnd(first, last, dataMemory(), source);
  std::vector<TG_M_DATAINFO> cells;
  cells.reserve(std::size_t(last - first) + 1);
  for (Long address = first; address <= last; ++address) {
    const TessaglyphDatum& cell = *m_core->memory[std::size_t(address)];
    cells.push_back(
        {Integer(address), m_core->names[std::size_t(address)], cell.dataType(), cell.getString()});
  }
  return Array<TG_M_DATAINFO>(first, std::move(cells));
}

Array<TG_M_DATAINFO> TessaglyphMachine::dumpNamedMemory(Integer first, Integer last) const {
  constexpr const char* source = "TessaglyphMachine::dumpNamedMemory";
  MethodScope scope(profiler(), source);
  last = dumpEnd(first, last, dataMemory(), source);
  std::vector<TG_M_DATAINFO> cells;
  for (Long address = first; address <= last; ++address) {
    const std::string& name = m_core->names[std::size_t(address)];
    if (name.empty()) continue;
    const TessaglyphDatum& cell = *m_core->memory[std::size_t(address)];
    cells.push_back({Integer(address), name, cell.dataType(), cell.getString()});
  }
  return Array<TG_M_DATAINFO>(0, std::move(cells));
}

}  // namespace tg
