// The interpreter: executes a machine's instructions from a start address until STOP.
//
// One Interpreter lives for one run. The run loop (interpreter_run.cpp) fetches, dispatches
// and advances the counter; it is the one place where an error raised by an instruction meets
// the error path (troubled flag, executionError / executionErrorExt, then continue, return or
// re-raise). The instruction families live in their own files: control and stack
// (interpreter_control.cpp), data and arithmetic (interpreter_data.cpp), casts and the rest
// (interpreter_misc.cpp), and the instructions that talk to the host: NOTIFY, USERINPUT and
// RAISEEVENT (interpreter_dialogs.cpp). execute() runs exactly one instruction, so the debug run
// drives the same dispatch one instruction at a time, with its line events in front of each.
#pragma once

#include <cstdint>

#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

// GOSUB nests runs by recursion; this many runs deep the next GOSUB raises 28 "Out of stack
// space" instead, well before the thread's stack would run out (also under the sanitizers).
inline constexpr Long kMaxNestedRuns = 2000;

// The source text of errors the plain run raises itself.
inline constexpr const char* kRunSource = "TessaglyphMachine::run";
// The source text the "not functional" instructions give in every run.
inline constexpr const char* kRunWithDebugSource = "TessaglyphMachine::runWithDebug";

class Interpreter {
 public:
  explicit Interpreter(TessaglyphMachine& machine) noexcept : m(machine) {}

  // The plain run from `start`: until STOP, cancelExecution or an error that the error path
  // ends the run with (quietly, or raised again when error events are off).
  void run(Integer start);
  // The debug run from `start`: the same dispatch with the debug-only checks, reachedNewLine
  // for breakpoints and stepping before each instruction, and `break` set by the first error
  // when the host steps after errors. Ends as the plain run does.
  void runWithDebug(Integer start);

  // Executes one instruction (never STOP, which the loop tests) and leaves the counter for
  // advance() to move; jumps clear the advance flag.
  void execute(const TG_M_INSTRUCTION& instruction);
  // Moves the counter past the current instruction when the instruction did not jump.
  void advance();
  bool advancing() const noexcept { return m_advance; }
  // True while the stepping (debug) run drives the loop: instructions then make their
  // debug-only checks. The plain run never pays for them beyond this one flag test.
  bool debugging() const noexcept { return m_debug; }

 private:
  // ---- Run loop and error path (interpreter_run.cpp) ----
  // The instruction at the counter; 11005 when the counter has left the code.
  const TG_M_INSTRUCTION& fetch();
  // Runs the loop (the stepping one or the plain one) under the error path until it ends.
  template <bool Debugging>
  void guard();
  // The loop proper, left by STOP, cancel or a raised error. The stepping run raises the line
  // events before each instruction; the plain run's copy is compiled without them.
  template <bool Debugging>
  void loop();
  // Raises reachedNewLine for the instructions that break (breakpoint, stepping, a troubled
  // line), at most once per instruction.
  void reachInstruction(Integer counter);
  // One reachedNewLine to the host.
  void raiseReachedNewLine(Integer line, Integer counter);
  // Handles an error raised by the current instruction; true to go on with the run.
  bool recover(const Error& error);
  // The troubled flag, `break` for a host stepping after errors and the two events; raises the
  // error again when error events are off. True when the host continues and the run can.
  bool report(const Error& error);
  // Runs one step of an instruction that has steps after it. When the step fails and the host
  // continues, the instruction goes on with its next step; otherwise the run ends there, as it
  // does for any other error.
  template <typename Step>
  void step(Step&& body) {
    try {
      body();
    } catch (const Error& error) {
      goOnAfter(error);
    }
  }
  // The error path for a failed step: returns when the host continues, else ends the run.
  // Out of line and cold, so that the instructions' own paths stay small.
  [[gnu::cold, gnu::noinline]] void goOnAfter(const Error& error);
  // Thrown by step() to end the run quietly from inside an instruction.
  struct RunEnded {};
  // The steps of the failed instruction that follow the failing one.
  void finishAfterError(const TG_M_INSTRUCTION& instruction);

  // ---- Control and stack (interpreter_control.cpp) ----
  // In the debug run, 11005 for a target outside 0..numInstructions.
  void checkCodeAddress(Integer target);
  bool isCodeAddress(Integer target) const noexcept;
  // The counter to `target`, unchecked; the advance flag off.
  void goTo(Integer target) noexcept {
    m.m_core->programCounter = target;
    m_advance = false;
  }
  void jump(Integer target);
  void branchNegative(Integer target);
  void branchPositive(Integer target);
  void branchZero(Integer target);
  void branchTrue(Integer target);
  void branchFalse(Integer target);
  void gosub(Integer target);
  // In the debug run, 11014 "The stack is empty" when it is.
  void checkStackNotEmpty();
  void push(Integer address);
  void pop(Integer address);
  void peek(Integer address);
  void pushMany(Integer address);
  void popMany(Integer address);
  void setRef(Integer address);

  // ---- Data and arithmetic (interpreter_data.cpp) ----
  void load(Integer address);
  void loadPointer(Integer address);
  void store(Integer address);
  void storePointer(Integer address);
  void arithmetic(TG_M_INSTRUCTIONS opcode, Integer address);
  void modulus(Integer address);
  void compare(DatumComparison relation, Integer address);
  void logical(bool isAnd, Integer address);
  void logicalNot(Integer address);

  // ---- Casts and the rest (interpreter_misc.cpp) ----
  void cast(TG_M_DATATYPES kind, Integer address);
  void timerValue();
  void fractionalPart(Integer address);
  void integerPart(Integer address);
  void like(Integer address);
  void loadNoPoint(Integer number);
  void intValue(Integer address);
  void mexSetFile(Integer address);
  [[noreturn]] void notFunctional(TG_M_INSTRUCTIONS opcode);
  [[noreturn]] void writePointData();
  // 11017 for an opcode outside the instruction set (debug run only).
  [[noreturn]] void invalidInstruction(TG_M_INSTRUCTIONS opcode);

  // ---- Host dialogues and events (interpreter_dialogs.cpp) ----
  void userInput(Integer address);
  void notify(Integer address);
  void raiseEvent(Integer address);

  // ---- File and text I/O (interpreter_io.cpp) ----
  friend class InterpreterIoTestAccess;  // lets tests make the debug run's checks
  void openScriptFile(Integer address);
  void closeScriptFile(Integer address);
  void length(Integer address);
  void getTextOffset(Integer address);
  void setTextOffset(Integer address);
  void textChar(Integer address);
  void textEnd(Integer address);
  void setDelimiters(Integer address);
  void readValue(Integer address);
  void writeValue(Integer address);
  void fillBytes(Integer address);
  void endOfFile(Integer address);
  void flipBytes(Integer address);
  void setFixedLength(Integer address);
  void textChars(Integer address);
  void textSearch(Integer address);
  void fileExists(Integer address);
  void changeCase(bool upper, Integer address);
  void trimText(TG_M_INSTRUCTIONS opcode, Integer address);
  // The handle, when this machine's script opened it and has not closed it; 52 otherwise.
  Integer ownHandle(Integer handle) const;
  // The 1-based file position "offset" + 1 of READ, WRITE and BUFFER; the debug run first
  // refuses a negative "offset" with 11007.
  Long filePosition();

  // The cell at a memory operand; 9 "Subscript out of range" outside memory.
  DatumRef& at(Integer address) { return m.m_core->checkedCell(address, kRunSource); }
  // The text cell an instruction works on. In the debug run a cell of any other type raises
  // 11002 naming the instruction as the instruction table writes it ("open", "s_eof", ...);
  // the plain run leaves the type to the cell's own operation.
  DatumRef& asciiOperand(Integer address, const char* instructionName);
  DatumRef& reg() { return m.m_core->memory[0]; }

  TessaglyphMachine& m;
  bool m_advance = true;
  // Set for the whole of a debug run (and its nested GOSUB runs).
  bool m_debug = false;
  // Set when the counter cannot go on (it left the code or would overflow): such an error
  // ends the run even when the host asks to continue.
  bool m_stuck = false;
  // The source line the debug run last stopped on (-1 before the first stop).
  Integer m_lastLine = -1;
};

}  // namespace tg
