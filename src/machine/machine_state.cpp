// The machine's life: creation, Clear and destruction.
#include <utility>

#include "machine/machine_access.hpp"
#include "support/file_layer.hpp"
#include "support/method_scope.hpp"
#include "support/timer.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

namespace {

// The predefined variables as a fresh machine has them: the cell kind of each address.
constexpr TG_M_DATATYPES kPredefinedTypes[TessaglyphMachine::kPredefinedCells] = {
    TG_M_DT_INTEGER2,  // register
    TG_M_DT_INTEGER4,  // offset
    TG_M_DT_INTEGER2,  // return
    TG_M_DT_DOUBLE,    // x
    TG_M_DT_DOUBLE,    // y
    TG_M_DT_INTEGER4,  // index
    TG_M_DT_INTEGER4,  // row
    TG_M_DT_INTEGER4,  // col
    TG_M_DT_DOUBLE,    // value
    TG_M_DT_INTEGER4,  // filesize
    TG_M_DT_ASCII,     // path
    TG_M_DT_ASCII,     // filename
    TG_M_DT_ASCII,     // extension
    TG_M_DT_ASCII,     // progress
    TG_M_DT_ASCII,     // tip
    TG_M_DT_ASCII,     // filetitle
};

}  // namespace

TessaglyphMachine::TessaglyphMachine() : TessaglyphMachine(Clock()) {}

TessaglyphMachine::TessaglyphMachine(Clock clock) : m_clock(std::move(clock)) {
  if (m_clock) {
    m_mexClock = m_clock;
  } else {
    m_clock = &timer;
    m_mexClock = &coarseTimer;
  }
  Clear();
}

TessaglyphMachine::~TessaglyphMachine() {
  closeOpenFiles();
}

void TessaglyphMachine::Clear() {
  MethodScope scope(profiler(), "TessaglyphMachine::Clear");
  resetAccessData();
  m_mexFile = -1;
  m_mex.reset();
  clearMemory();
  m_instructions.clear();
  m_debugInfo.clear();
  m_properties.clear();
  m_attributes.clear();
  // The stack's storage stays for the next program; its cells go now.
  while (!stackEmpty())
    pop();
  m_stackSlots = 0;
  closeOpenFiles();
  m_routineLocations.fill(-1);
  m_break = true;
  m_errorEventEnabled = true;
  m_enableDebug = false;
  m_runMethod = TG_M_RM_CONTINUOUS;
  m_applyRunMethod = TG_M_ARM_ALWAYS;
  m_programCounter = 0;
  m_scriptDataLock.reset();
  m_selfValidating.reset();
  m_datumSource = DatumSource::unread;
  m_zoneSource = ZoneSource::unread;
  // What the interpolation learned of the old program's properties and attributes.
  m_interpCapabilitiesKnown = false;
  m_datapointAttributeKnown = false;
}

void TessaglyphMachine::clearMemory() {
  m_memory.clear();
  m_names.clear();
  m_memory.reserve(kPredefinedCells);
  m_names.reserve(kPredefinedCells);
  for (Integer address = 0; address < kPredefinedCells; ++address) {
    m_memory.push_back(makeDatum(kPredefinedTypes[address]));
    m_names.emplace_back(predefinedVariableTable[std::size_t(address)].name);
  }
}

// The list holds what the machine's own script opened, so closing it never reaches files that
// other machines use.
void TessaglyphMachine::closeOpenFiles() noexcept {
  for (const Integer handle : m_openFileHandles)
    closeFileQuietly(handle);
  m_openFileHandles.clear();
  m_openFileNames.clear();
}

}  // namespace tg
