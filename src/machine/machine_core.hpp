// What a machine holds: its program, memory, stack, settings and the state of its reads.
// Only the machine's own code and the interpreter see it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

struct TessaglyphMachine::Core {
  Clock clock;
  Clock mexClock;  // the clock of the direct grid-access objects the machine makes
  std::shared_ptr<MethodCounter> profiler;
  TessaglyphMachineEvents* eventSink = nullptr;
  // Memory: one cell reference and one name per address.
  std::vector<DatumRef> memory;
  std::vector<std::string> names;
  std::vector<TG_M_INSTRUCTION> instructions;
  std::vector<TG_M_DEBUGGINGINFO> debugInfo;
  std::vector<TG_M_PROPERTY> properties;
  std::vector<TG_M_ATTRIBUTEINFO> attributes;
  std::array<Integer, kRoutineSlots> routineLocations{};
  // The evaluation stack: the slots in use are 0..stackTop of the first stackSlots.
  std::vector<DatumRef> stack;
  Integer stackTop = -1;
  Long stackSlots = 0;
  std::vector<std::string> openFileNames;
  std::vector<Integer> openFileHandles;
  std::string scriptFilename;
  std::string currentDatum;
  Integer mexFile = -1;
  Integer programCounter = 0;
  bool cancel = false;
  // Runs in progress on this machine: GOSUB nesting and runs started from event handlers.
  Long runDepth = 0;
  Boolean enableDebug = false;
  Boolean breakSet = true;
  TG_M_RUNMETHODS runMethod = TG_M_RM_CONTINUOUS;
  TG_M_APPLYRUNMETHODCONSTANTS applyRunMethod = TG_M_ARM_ALWAYS;
  Boolean errorEventEnabled = true;
  TG_M_MESSAGEBOXMODES messageBoxMode = TG_M_MBM_NORMAL;
  TG_M_INPUTBOXMODES inputBoxMode = TG_M_IBM_NORMAL;
  TG_M_DATALOCK dataLock = TG_M_DL_TRUE;
  // What the script's properties say, read on first use and dropped by Clear.
  mutable std::optional<bool> scriptDataLock;
  mutable std::optional<bool> selfValidating;
  // Kept across Clear.
  mutable std::optional<Single> datavoidValue;
  // The "datum" and "gridtype" properties as first read; dropped by Clear.
  enum class DatumSource : std::uint8_t { unread, fixed, byFile, byPoint };
  DatumSource datumSource = DatumSource::unread;
  std::string datumName;   // the fixed or by-file datum
  std::string pointDatum;  // the by-point datum last read
  Integer datumAttribute = -1;
  // Whether the conversion from the current datum to the script's moves nothing, worked out
  // for the pair of names last seen.
  struct DatumPlan {
    std::string from, to;
    bool known = false;
    bool movesNothing = false;
  };
  DatumPlan datumPlan;
  // Whether native coordinates are the position itself: a fixed or by-file datum, no UTM zone
  // and a plan that moves nothing. Dropped when the current datum changes and by Clear.
  bool nativeIsPosition = false;
  enum class ZoneSource : std::uint8_t { unread, notUtm, fixed, conditional };
  ZoneSource zoneSource = ZoneSource::unread;
  Integer utmZone = -1;  // the zone read once
  Integer zoneAttribute = -1;
  Long accessCount = 0;
  mutable Single lastAccess = 0;
  // Direct grid access, when the script allows it and the host enabled it.
  std::shared_ptr<TessaglyphMEX> mex;
  // Capability state: worked out once, dropped by Clear.
  bool interpCapabilitiesKnown = false;
  bool scriptClosestPointCapable = false;
  bool script4PointCapable = false;
  bool script12PointCapable = false;
  bool scriptManualCapable = false;
  TG_M_MANUALINTERPSETTINGS manualSettings;
  // Why the manual geometry cannot be used (an attribute missing or not a number); number 0
  // when it can. Raised only where the geometry is needed, so the other modes keep working.
  std::int32_t manualSettingsErrorNumber = 0;
  std::string manualSettingsErrorSource;
  std::string manualSettingsErrorText;
  // The "datapoint" attribute: looked up once, dropped by Clear.
  bool datapointAttributeKnown = false;
  Integer datapointAttribute = -1;
  TG_M_DATATYPES datapointType = TG_M_DT_SINGLE;
  TG_M_INTERPOLATIONMODES interpolationMode = TG_M_IM_NONE;
  // The record of the last read, filled in place by every read.
  TG_M_INTERPDATA interpData;
  bool interpDataSet = false;
  // Whether the last read gathered its points through direct grid access, which then holds the
  // record (in its own order) instead of interpData.
  bool interpDataFromMEX = false;
  // ---- The interpreter's fast paths ----
  // The cell at an address: unchecked in release builds, 9 in debug builds.
  DatumRef& cell(Integer address);
  const DatumRef& cell(Integer address) const;
  // The cell at an address, always checked: 9 "Subscript out of range" with `source`.
  DatumRef& checkedCell(Integer address, const char* source);
  const DatumRef& checkedCell(Integer address, const char* source) const;
  // The evaluation stack. A push on an empty stack starts 26 slots and a full one grows by 25;
  // a pop that leaves more than 25 free slots cuts the stack down to its top, and one that
  // empties it goes back to 26. The slots are a count only: the storage behind them is kept,
  // so a warmed-up stack allocates nothing. pop and top require a non-empty stack.
  void push(const DatumRef& cell);
  DatumRef pop();
  const DatumRef& top() const;
  bool stackEmpty() const noexcept { return stackTop < 0; }
  void growStackStorage();
};

inline MethodCounter* TessaglyphMachine::profiler() const noexcept {
  return m_core->profiler.get();
}

// ---- Memory ---------------------------------------------------------------------------------

inline DatumRef& TessaglyphMachine::Core::cell(Integer address) {
#ifndef NDEBUG
  return checkedCell(address, "TessaglyphMachine::Core::cell");
#else
  return memory[std::size_t(address)];
#endif
}

inline const DatumRef& TessaglyphMachine::Core::cell(Integer address) const {
#ifndef NDEBUG
  return checkedCell(address, "TessaglyphMachine::Core::cell");
#else
  return memory[std::size_t(address)];
#endif
}

inline DatumRef& TessaglyphMachine::Core::checkedCell(Integer address, const char* source) {
  if (address < 0 || std::size_t(address) >= memory.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return memory[std::size_t(address)];
}

inline const DatumRef& TessaglyphMachine::Core::checkedCell(Integer address,
                                                            const char* source) const {
  if (address < 0 || std::size_t(address) >= memory.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return memory[std::size_t(address)];
}

// ---- Evaluation stack -------------------------------------------------------------------------

namespace machine_stack {
inline constexpr Long kFreshSlots = 26;
inline constexpr Long kGrowth = 25;
// A pop that leaves more free slots above the top than this cuts the stack down.
inline constexpr Long kMaxFreeSlots = 25;
}  // namespace machine_stack

inline void TessaglyphMachine::Core::push(const DatumRef& cell) {
  using namespace machine_stack;
  // The top index is 16-bit, as the instructions see it.
  if (stackTop == std::numeric_limits<Integer>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  if (stackTop < 0) {
    stackSlots = kFreshSlots;
  } else if (Long(stackTop) + 1 >= stackSlots) {
    stackSlots += kGrowth;
  }
  if (std::size_t(stackSlots) > stack.size()) growStackStorage();
  ++stackTop;
  stack[std::size_t(stackTop)] = cell;
}

inline DatumRef TessaglyphMachine::Core::pop() {
  using namespace machine_stack;
  DatumRef popped = std::move(stack[std::size_t(stackTop)]);
  --stackTop;
  if (stackTop < 0) {
    stackSlots = kFreshSlots;
  } else if (stackSlots - 1 - Long(stackTop) > kMaxFreeSlots) {
    stackSlots = Long(stackTop) + 1;
  }
  return popped;
}

inline const DatumRef& TessaglyphMachine::Core::top() const {
  return stack[std::size_t(stackTop)];
}

}  // namespace tg
