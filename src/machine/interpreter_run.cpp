// The run loop: fetch, dispatch, advance; and the error path every failing instruction takes.
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "machine/interpreter.hpp"
#include "support/conversions.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// Counts the runs in progress on a machine for as long as one lasts.
class RunDepthGuard {
 public:
  explicit RunDepthGuard(Long& depth) noexcept : m_depth(depth) { ++m_depth; }
  ~RunDepthGuard() { --m_depth; }
  RunDepthGuard(const RunDepthGuard&) = delete;
  RunDepthGuard& operator=(const RunDepthGuard&) = delete;

 private:
  Long& m_depth;
};

// A cell or a list that could not grow (a text doubled once too often, say) ends up on the
// error path like any other failure, instead of leaving the library as a foreign exception.
Error outOfMemory(const char* source) {
  return Error(PLATFORM_E_OUTOFMEMORY, source,
               std::string(platformErrorText(PLATFORM_E_OUTOFMEMORY)));
}

}  // namespace

void TessaglyphMachine::run(Integer start) {
  // A run started from an event handler nests like a GOSUB and counts against the same limit.
  if (m_core->runDepth >= kMaxNestedRuns)
    raisePlatformError(PLATFORM_E_OUTOFSTACKSPACE, kRunSource);
  RunDepthGuard depth(m_core->runDepth);
  // Decided per run: a GOSUB's nested run is a debug run again while debugging is on.
  if (m_core->enableDebug) {
    Interpreter(*this).runWithDebug(start);
  } else {
    Interpreter(*this).run(start);
  }
}

// Each run type gets its own copy of the guard and the loop, so the plain loop is compiled
// without the debugger's work.
template <bool Debugging>
void Interpreter::guard() {
  const char* source = Debugging ? kRunWithDebugSource : kRunSource;
  for (;;) {
    try {
      loop<Debugging>();
      return;
    } catch (const Error& error) {
      if (!recover(error)) return;
    } catch (const RunEnded&) {
      return;
    } catch (const std::bad_alloc&) {
      if (!recover(outOfMemory(source))) return;
    } catch (const std::length_error&) {
      if (!recover(outOfMemory(source))) return;
    }
  }
}

template <bool Debugging>
void Interpreter::loop() {
  for (;;) {
    if constexpr (Debugging) {
      const Integer counter = m.m_core->programCounter;
      if (fetch().opcode == TG_M_I_STOP) return;
      // The handlers may change anything, the program included: the fetch below is afresh.
      reachInstruction(counter);
    }
    const TG_M_INSTRUCTION& instruction = fetch();
    if (instruction.opcode == TG_M_I_STOP) return;
    m_advance = true;
    execute(instruction);
    if (m.m_core->cancel) return;
    if (m_advance) advance();
  }
}

void Interpreter::run(Integer start) {
  m.m_core->programCounter = start;
  m.m_core->cancel = false;
  guard<false>();
}

void Interpreter::runWithDebug(Integer start) {
  m_debug = true;
  m.m_core->programCounter = start;
  m.m_core->cancel = false;
  m_lastLine = -1;
  // Stepping always: the run stops at its first line.
  const TG_M_RUNMETHODS method = m.m_core->runMethod;
  if (m.m_core->applyRunMethod == TG_M_ARM_ALWAYS &&
      (method == TG_M_RM_STEP || method == TG_M_RM_STEPOVER ||
       method == TG_M_RM_STEPINSTRUCTIONS)) {
    m.m_core->breakSet = true;
  }
  guard<true>();
}

void Interpreter::reachInstruction(Integer counter) {
  // Read afresh before each step: a handler may set breakpoints or clear the whole machine.
  const auto record = [this, counter] {
    return std::size_t(counter) < m.m_core->debugInfo.size()
               ? m.m_core->debugInfo[std::size_t(counter)]
               : TG_M_DEBUGGINGINFO{};
  };
  // Each rule raises its own event: a breakpoint met while stepping by instruction, or one
  // that starts stepping, is reported by both rules, and a host counting events sees both.
  const auto stop = [&](Integer line) { raiseReachedNewLine(line, counter); };

  TG_M_DEBUGGINGINFO info = record();
  if (info.breakpoint) {
    m_lastLine = info.lineNumber;
    stop(info.lineNumber);
  }
  if (m.m_core->breakSet) {
    info = record();
    const TG_M_RUNMETHODS method = m.m_core->runMethod;
    if (method == TG_M_RM_STEP || method == TG_M_RM_STEPOVER) {
      if (info.lineNumber != m_lastLine && info.lineNumber != 0) {
        m_lastLine = info.lineNumber;
        stop(info.lineNumber);
      }
    } else if (method == TG_M_RM_STEPINSTRUCTIONS) {
      stop(info.lineNumber);
    }
  }
  if (m.m_core->applyRunMethod == TG_M_ARM_ALWAYS && m.m_core->runMethod == TG_M_RM_BREAKTROUBLED) {
    info = record();
    if (info.lineNumber != m_lastLine && info.lineNumber != 0 && info.troubled) {
      m.m_core->breakSet = true;
      m_lastLine = info.lineNumber;
      stop(info.lineNumber);
    }
  }
  if (m.m_core->applyRunMethod == TG_M_ARM_AFTERBREAK) {
    info = record();
    if (info.breakpoint) {
      m.m_core->breakSet = true;
      m_lastLine = info.lineNumber;
      stop(info.lineNumber);
    }
  }
}

void Interpreter::raiseReachedNewLine(Integer line, Integer counter) {
  TessaglyphMachineEvents* sink = m.m_core->eventSink;
  if (sink == nullptr) return;
  sink->reachedNewLine(line, counter);
  // A routine the handler ran moved the counter; this run goes on where it stopped.
  m.m_core->programCounter = counter;
}

const TG_M_INSTRUCTION& Interpreter::fetch() {
  const Integer counter = m.m_core->programCounter;
  if (counter < 0 || std::size_t(counter) >= m.m_core->instructions.size()) {
    m_stuck = true;
    throw Error(TG_M_E_INVALIDCODEADDRESS, kRunSource,
                longToText(counter) + " is not a valid code address.");
  }
  return m.m_core->instructions[std::size_t(counter)];
}

void Interpreter::advance() {
  if (m.m_core->programCounter == std::numeric_limits<Integer>::max()) {
    m_stuck = true;
    raisePlatformError(PLATFORM_E_OVERFLOW, kRunSource);
  }
  ++m.m_core->programCounter;
}

bool Interpreter::recover(const Error& error) {
  const Integer counter = m.m_core->programCounter;
  if (!report(error)) return false;
  // The rest of the failed instruction runs inside the error path's protection too: should it
  // fail again, that is a new error of the same instruction.
  try {
    finishAfterError(m.m_core->instructions[std::size_t(counter)]);
  } catch (const Error& again) {
    return recover(again);
  }
  return !m.m_core->cancel;
}

void Interpreter::goOnAfter(const Error& error) {
  if (!report(error)) throw RunEnded{};
}

bool Interpreter::report(const Error& error) {
  const Integer counter = m.m_core->programCounter;
  const bool known = counter >= 0 && std::size_t(counter) < m.m_core->instructions.size();
  Integer line = 0;
  if (known) {
    TG_M_DEBUGGINGINFO& info = m.m_core->debugInfo[std::size_t(counter)];
    info.troubled = true;
    line = info.lineNumber;
  }
  // A host stepping after errors steps from the first one on.
  if (m_debug && m.m_core->applyRunMethod == TG_M_ARM_AFTERERROR) {
    const TG_M_RUNMETHODS method = m.m_core->runMethod;
    if (method == TG_M_RM_STEP || method == TG_M_RM_STEPINSTRUCTIONS ||
        method == TG_M_RM_STEPOVER) {
      m.m_core->breakSet = true;
    }
  }
  if (!m.m_core->errorEventEnabled) throw error;  // number, source and description intact

  Boolean continue_ = false;
  if (TessaglyphMachineEvents* sink = m.m_core->eventSink) {
    sink->executionError(error.number(), error.description(), continue_);
    // A handler may have changed the sink; the second event goes to whoever is there now.
    if ((sink = m.m_core->eventSink) != nullptr) {
      sink->executionErrorExt(error.number(), error.description(), counter, line, continue_);
    }
  }
  if (!continue_ || m.m_core->cancel || m_stuck) return false;
  // A handler may have replaced the program; the failed instruction must still be there.
  return m.m_core->programCounter == counter &&
         std::size_t(counter) < m.m_core->instructions.size();
}

void Interpreter::finishAfterError(const TG_M_INSTRUCTION& instruction) {
  switch (instruction.opcode) {
    case TG_M_I_BRANCHNEG:
    case TG_M_I_BRANCHPOS:
    case TG_M_I_BRANCHZERO:
    case TG_M_I_BRANCHTRUE:
    case TG_M_I_BRANCHFALSE:
      // Only the test can fail; going on after it means going into the taken branch. In the
      // debug run a target outside the code fails too, and going on then skips the branch.
      if (m_debug && !isCodeAddress(instruction.operand)) break;
      m.m_core->programCounter = instruction.operand;
      return;
    default:
      // Every other instruction fails at its last step, or at one whose successors need the
      // value it could not make: nothing of it remains but the move to the next instruction.
      break;
  }
  advance();
}

void Interpreter::execute(const TG_M_INSTRUCTION& instruction) {
  const Integer op = instruction.operand;
  switch (instruction.opcode) {
    case TG_M_I_GOTO:
      return jump(op);
    case TG_M_I_BRANCHNEG:
      return branchNegative(op);
    case TG_M_I_BRANCHPOS:
      return branchPositive(op);
    case TG_M_I_BRANCHZERO:
      return branchZero(op);
    case TG_M_I_BRANCHTRUE:
      return branchTrue(op);
    case TG_M_I_BRANCHFALSE:
      return branchFalse(op);
    case TG_M_I_GOSUB:
      return gosub(op);
    case TG_M_I_LOAD:
      return load(op);
    case TG_M_I_LOADPTR:
      return loadPointer(op);
    case TG_M_I_STORE:
      return store(op);
    case TG_M_I_STOREPTR:
      return storePointer(op);
    case TG_M_I_ADD:
    case TG_M_I_SUBTRACT:
    case TG_M_I_MULTIPLY:
    case TG_M_I_DIVIDE:
      return arithmetic(instruction.opcode, op);
    case TG_M_I_MODULUS:
      return modulus(op);
    case TG_M_I_LESSTHAN:
      return compare(DatumComparison::lessThan, op);
    case TG_M_I_LESSTHANEQUAL:
      return compare(DatumComparison::lessThanOrEqualTo, op);
    case TG_M_I_GREATERTHAN:
      return compare(DatumComparison::greaterThan, op);
    case TG_M_I_GREATERTHANEQUAL:
      return compare(DatumComparison::greaterThanOrEqualTo, op);
    case TG_M_I_EQUAL:
      return compare(DatumComparison::equalTo, op);
    case TG_M_I_NOTEQUAL:
      return compare(DatumComparison::notEqualTo, op);
    case TG_M_I_AND:
      return logical(true, op);
    case TG_M_I_OR:
      return logical(false, op);
    case TG_M_I_NOT:
      return logicalNot(op);
    case TG_M_I_CASTUINT:
      return cast(TG_M_DT_UNSIGNEDINTEGER, op);
    case TG_M_I_CASTINT2:
      return cast(TG_M_DT_INTEGER2, op);
    case TG_M_I_CASTINT4:
      return cast(TG_M_DT_INTEGER4, op);
    case TG_M_I_CASTSINGLE:
      return cast(TG_M_DT_SINGLE, op);
    case TG_M_I_CASTDOUBLE:
      return cast(TG_M_DT_DOUBLE, op);
    case TG_M_I_CASTASCII:
      return cast(TG_M_DT_ASCII, op);
    case TG_M_I_STRING2LATLON:
    case TG_M_I_LAT2STRING:
    case TG_M_I_LON2STRING:
    case TG_M_I_SKIP:
      notFunctional(instruction.opcode);
    case TG_M_I_WRITEPD:
      writePointData();
    case TG_M_I_OPEN:
      return openScriptFile(op);
    case TG_M_I_CLOSE:
      return closeScriptFile(op);
    case TG_M_I_LEN:
      return length(op);
    case TG_M_I_GETOFFSET:
      return getTextOffset(op);
    case TG_M_I_SETOFFSET:
      return setTextOffset(op);
    case TG_M_I_CHAR:
      return textChar(op);
    case TG_M_I_SEOF:
      return textEnd(op);
    case TG_M_I_SETDELIMS:
      return setDelimiters(op);
    case TG_M_I_READ:
      return readValue(op);
    case TG_M_I_WRITE:
      return writeValue(op);
    case TG_M_I_BUFFER:
      return fillBytes(op);
    case TG_M_I_EOF:
      return endOfFile(op);
    case TG_M_I_FLIPBYTES:
      return flipBytes(op);
    case TG_M_I_SETFIXEDLENGTH:
      return setFixedLength(op);
    case TG_M_I_CHARS:
      return textChars(op);
    case TG_M_I_SEARCH:
      return textSearch(op);
    case TG_M_I_FILEEXISTS:
      return fileExists(op);
    case TG_M_I_SETTOUPPER:
      return changeCase(true, op);
    case TG_M_I_SETTOLOWER:
      return changeCase(false, op);
    case TG_M_I_TRIM:
    case TG_M_I_LTRIM:
    case TG_M_I_RTRIM:
      return trimText(instruction.opcode, op);
    case TG_M_I_USERINPUT:
      return userInput(op);
    case TG_M_I_NOTIFY:
      return notify(op);
    case TG_M_I_RAISEEVENT:
      return raiseEvent(op);
    case TG_M_I_STOP:
    case TG_M_I_NOP:
      return;
    case TG_M_I_TIMER:
      return timerValue();
    case TG_M_I_FPART:
      return fractionalPart(op);
    case TG_M_I_IPART:
      return integerPart(op);
    case TG_M_I_LIKE:
      return like(op);
    case TG_M_I_LOADNOPOINT:
      return loadNoPoint(op);
    case TG_M_I_PUSH:
      return push(op);
    case TG_M_I_POP:
      return pop(op);
    case TG_M_I_PEEK:
      return peek(op);
    case TG_M_I_PUSHM:
      return pushMany(op);
    case TG_M_I_POPM:
      return popMany(op);
    case TG_M_I_INT:
      return intValue(op);
    case TG_M_I_MEXSETFILE:
      return mexSetFile(op);
    case TG_M_I_SETREF:
      return setRef(op);
  }
  // Any other code does nothing in the plain run; the debug run refuses it.
  if (m_debug) invalidInstruction(instruction.opcode);
}

}  // namespace tg
