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

TessaglyphMachine::TessaglyphMachine(Clock clock) : m_core(std::make_unique<Core>()) {
  m_core->clock = std::move(clock);
  if (m_core->clock) {
    m_core->mexClock = m_core->clock;
  } else {
    m_core->clock = &timer;
    m_core->mexClock = &coarseTimer;
  }
  Clear();
}

TessaglyphMachine::~TessaglyphMachine() {
  closeOpenFiles();
}

void TessaglyphMachine::Clear() {
  MethodScope scope(profiler(), "TessaglyphMachine::Clear");
  resetAccessData();
  m_core->mexFile = -1;
  m_core->mex.reset();
  clearMemory();
  m_core->instructions.clear();
  m_core->debugInfo.clear();
  m_core->properties.clear();
  m_core->attributes.clear();
  // The stack's storage stays for the next program; its cells go now.
  while (!m_core->stackEmpty())
    m_core->pop();
  m_core->stackSlots = 0;
  closeOpenFiles();
  m_core->routineLocations.fill(-1);
  m_core->breakSet = true;
  m_core->errorEventEnabled = true;
  m_core->enableDebug = false;
  m_core->runMethod = TG_M_RM_CONTINUOUS;
  m_core->applyRunMethod = TG_M_ARM_ALWAYS;
  m_core->programCounter = 0;
  m_core->scriptDataLock.reset();
  m_core->selfValidating.reset();
  m_core->datumSource = Core::DatumSource::unread;
  m_core->nativeIsPosition = false;
  m_core->zoneSource = Core::ZoneSource::unread;
  // What the interpolation learned of the old program's properties and attributes.
  m_core->interpCapabilitiesKnown = false;
  m_core->datapointAttributeKnown = false;
}

void TessaglyphMachine::clearMemory() {
  m_core->memory.clear();
  m_core->names.clear();
  m_core->memory.reserve(kPredefinedCells);
  m_core->names.reserve(kPredefinedCells);
  for (Integer address = 0; address < kPredefinedCells; ++address) {
    m_core->memory.push_back(makeDatum(kPredefinedTypes[address]));
    m_core->names.emplace_back(predefinedVariableTable[std::size_t(address)].name);
  }
}

// The list holds what the machine's own script opened, so closing it never reaches files that
// other machines use.
void TessaglyphMachine::closeOpenFiles() noexcept {
  for (const Integer handle : m_core->openFileHandles)
    closeFileQuietly(handle);
  m_core->openFileHandles.clear();
  m_core->openFileNames.clear();
}

}  // namespace tg
