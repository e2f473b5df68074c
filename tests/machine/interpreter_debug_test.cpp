// The debug run: line events, breakpoints, stepping after errors and the checks of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"

namespace tg::test {
namespace {

// Records the line events as "line@instruction" and runs a hook on each.
class DebugHost : public ScriptHost {
 public:
  std::string stops;
  std::function<void(Integer line, Integer instruction)> onStop;

  void reachedNewLine(Integer lineNumber, Integer instructionNumber) override {
    stops += (stops.empty() ? "" : " ") + std::to_string(lineNumber) + "@" +
             std::to_string(instructionNumber);
    if (onStop) onStop(lineNumber, instructionNumber);
  }
};

// Script source from "line:instruction" items separated by '|' (line 0: none).
std::string withLines(const std::string& code) {
  std::string source;
  for (std::size_t at = 0; at < code.size();) {
    const std::size_t colon = code.find(':', at), end = std::min(code.find('|', at), code.size());
    const std::string line = code.substr(at, colon - at);
    const std::string instruction = code.substr(colon + 1, end - colon - 1) + "\n";
    source += line == "0" ? ".lines off\n" + instruction + ".lines on\n"
                          : ".line " + line + "\n" + instruction;
    at = end + 1;
  }
  return source;
}

// Lines 1, 2, 2, none, 3, 1 (a second run of it) and a STOP the run never steps onto.
const std::string kSixLines =
    withLines("1:main: loadnopoint mem[1]|2:add 1|2:add 1|0:add 1|3:add 1|1:add 1|1:stop");
// The subroutine stands on lines 10 and 11; the caller's line 2 follows the GOSUB.
const std::string kCalling =
    withLines("1:main: gosub sub|2:add 1|2:stop|10:sub: loadnopoint mem[5]|11:add 1|11:stop");
// Line 2 fails (division by zero); lines 3 and 4 follow.
const std::string kFailing =
    withLines("1:main: loadnopoint mem[1]|2:divide 0|3:add 1|4:add 1|4:stop");

class DebugRunTest : public InterpreterTest {
 protected:
  DebugHost debugHost;

  void loadDebug(const std::string& source, TG_M_RUNMETHODS method,
                 TG_M_APPLYRUNMETHODCONSTANTS apply = TG_M_ARM_ALWAYS, bool breakBefore = true) {
    load(source);
    machine->setEventSink(&debugHost);
    machine->setEnableDebug(true);
    machine->setRunMethod(method);
    machine->setApplyRunMethod(apply);
    machine->setBreak(breakBefore);
  }
  // The line events, then the break flag, the register and each error as "!number@line".
  std::string trace() const {
    std::string text = debugHost.stops + " | break=" + (machine->break_() ? "1" : "0") +
                       " reg=" + machine->register_();
    for (const ReportedError& error : debugHost.errors)
      text += " !" + std::to_string(error.number) + "@" + std::to_string(error.line);
    return text;
  }
};

TEST_F(DebugRunTest, RaisesTheLineEventsOfItsRunMethodAndBreakpoints) {
  constexpr auto kStep = TG_M_RM_STEP, kOver = TG_M_RM_STEPOVER, kInstr = TG_M_RM_STEPINSTRUCTIONS,
                 kCont = TG_M_RM_CONTINUOUS;
  constexpr auto kAlways = TG_M_ARM_ALWAYS, kAfterBreak = TG_M_ARM_AFTERBREAK,
                 kAfterError = TG_M_ARM_AFTERERROR;
  // Script, method, rule, break, line and instruction breakpoints, host goes on, trace.
  // clang-format off
  const std::tuple<const std::string*, TG_M_RUNMETHODS, TG_M_APPLYRUNMETHODCONSTANTS, bool, Integer, Integer, bool, const char*> rows[] = {
      {&kSixLines, kStep, kAlways, false, -1, -1, false, "1@0 2@1 3@4 1@5 | break=1 reg=6"},
      {&kSixLines, kOver, kAlways, false, -1, -1, false, "1@0 2@1 3@4 1@5 | break=1 reg=6"},
      {&kSixLines, kInstr, kAlways, false, -1, -1, false, "1@0 2@1 2@2 0@3 3@4 1@5 | break=1 reg=6"},
      {&kSixLines, kCont, kAlways, true, -1, -1, false, " | break=1 reg=6"},
      {&kSixLines, kStep, kAfterBreak, false, -1, -1, false, " | break=0 reg=6"},
      {&kSixLines, kStep, kAfterBreak, true, -1, -1, false, "1@0 2@1 3@4 1@5 | break=1 reg=6"},
      {&kSixLines, kStep, kAfterError, false, -1, -1, false, " | break=0 reg=6"},
      // Breakpoints stop on each separate run of their line.
      {&kSixLines, kCont, kAlways, true, 1, 3, false, "1@0 0@3 1@5 | break=1 reg=6"},
      // A breakpoint starts stepping after break: reported as a breakpoint and as the place.
      {&kSixLines, kStep, kAfterBreak, false, 2, -1, false, "2@1 2@1 3@4 1@5 | break=1 reg=6"},
      // Stepping by instruction and a breakpoint each report the instruction.
      {&kSixLines, kInstr, kAlways, true, -1, 2, false, "1@0 2@1 2@2 2@2 0@3 3@4 1@5 | break=1 reg=6"},
      // GOSUB steps into the subroutine and back.
      {&kCalling, kStep, kAlways, false, -1, -1, false, "1@0 10@3 11@4 2@1 | break=1 reg=7"},
      // After error: stepping starts at the first error the host continues from.
      {&kFailing, kStep, kAfterError, false, -1, -1, true, "3@2 4@3 | break=1 reg=3 !11@2"},
      {&kFailing, kOver, kAfterError, false, -1, -1, false, " | break=1 reg=1 !11@2"},
      // An error does not start stepping under another rule.
      {&kFailing, kCont, kAfterError, false, -1, -1, true, " | break=0 reg=3 !11@2"},
  };
  // clang-format on
  for (const auto& [script, method, apply, breakBefore, line, instruction, goOn, expected] : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "method " << method << " apply " << apply << " break " << breakBefore);
    debugHost = DebugHost();
    loadDebug(*script, method, apply, breakBefore);
    if (line >= 0) machine->setBreakpoint(line);
    if (instruction >= 0) machine->setInstructionBreakpoint(instruction);
    debugHost.continueErrors = goOn;
    machine->runExplicit(0);
    EXPECT_EQ(trace(), expected);
  }
}

TEST_F(DebugRunTest, CancelFromALineEventEndsTheRunAfterThatInstruction) {
  loadDebug(kSixLines, TG_M_RM_STEP);
  debugHost.onStop = [&](Integer line, Integer) {
    if (line == 2) machine->cancelExecution();
  };
  machine->runExplicit(0);
  EXPECT_EQ(trace(), "1@0 2@1 | break=1 reg=2");
  // The next run starts afresh.
  debugHost = DebugHost();
  machine->runExplicit(0);
  EXPECT_EQ(trace(), "1@0 2@1 3@4 1@5 | break=1 reg=6");
}

TEST_F(DebugRunTest, ARunStartedFromTheHandlerLeavesTheSteppedRunWhereItWas) {
  loadDebug(kSixLines + withLines("9:side: loadnopoint mem[50]|9:stop"), TG_M_RM_STEP);
  debugHost.onStop = [&](Integer line, Integer) {
    if (line != 3) return;
    machine->setEnableDebug(false);
    machine->runExplicit(7);
    machine->setEnableDebug(true);
    machine->setRegister("4");
  };
  machine->runExplicit(0);
  EXPECT_EQ(trace(), "1@0 2@1 3@4 1@5 | break=1 reg=6");
}

TEST_F(DebugRunTest, AfterErrorSetsBreakBeforeTheErrorEventsAndForTheCaller) {
  loadDebug(kFailing, TG_M_RM_STEPINSTRUCTIONS, TG_M_ARM_AFTERERROR, false);
  bool breakSeen = false;
  struct Host : DebugHost {
    std::function<void()> onError;
    void executionError(Long number, const std::string& description, Boolean& c) override {
      DebugHost::executionError(number, description, c);
      onError();
    }
  } errorHost;
  errorHost.onError = [&] { breakSeen = machine->break_(); };
  machine->setEventSink(&errorHost);
  machine->runExplicit(0);
  EXPECT_TRUE(breakSeen);
  EXPECT_EQ(errorHost.stops, "");  // the run ended at the error
  machine->runExplicit(2);         // the next run steps from its start
  EXPECT_EQ(errorHost.stops, "3@2 4@3");

  loadDebug(kFailing, TG_M_RM_STEP, TG_M_ARM_AFTERERROR, false);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 11, "", "Division by zero"));
  EXPECT_TRUE(machine->break_());
}

TEST_F(DebugRunTest, BreakTroubledStopsAtALineThatFailedBeforeWhileTheRuleIsAlways) {
  loadDebug(kFailing, TG_M_RM_CONTINUOUS);
  machine->runExplicit(0);  // marks line 2 troubled
  ASSERT_TRUE(machine->debugInfo(1).troubled);
  machine->setRunMethod(TG_M_RM_BREAKTROUBLED);
  machine->setBreak(false);
  machine->runExplicit(0);
  EXPECT_EQ(trace(), "2@1 | break=1 reg=1 !11@2 !11@2");
  debugHost.stops.clear();
  machine->setApplyRunMethod(TG_M_ARM_AFTERBREAK);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, "");
}

TEST_F(DebugRunTest, ErrorEventsCarryTheInstructionAndLineAndContinuingSkipsBadTargets) {
  loadDebug("main: loadnopoint mem[0]\nbranch_zero main\ngoto main\ngosub main\nadd 5\nstop",
            TG_M_RM_CONTINUOUS);
  MachineAccess::setInstruction(*machine, 1, {TG_M_I_BRANCHZERO, 40});
  MachineAccess::setInstruction(*machine, 2, {TG_M_I_GOTO, -3});
  MachineAccess::setInstruction(*machine, 3, {TG_M_I_GOSUB, 41});
  debugHost.continueErrors = true;
  machine->runExplicit(0);
  EXPECT_EQ(trace(), " | break=1 reg=5 !11005@5 !11005@6 !11005@7");
  EXPECT_EQ(debugHost.errors[1].description, "-3 is not a valid code address.");
}

// ---- The checks of the debug run ---------------------------------------------------------

// Body, patch of instruction 1, the plain run's error, the debug run's error and the cells left.
TEST_F(DebugRunTest, ChecksRaiseInTheDebugRunOnly) {
  constexpr TG_M_INSTRUCTION kNone{};
  const std::string wrongTarget = " is not a valid code address.";
  const std::string textOnly =
      " instruction requires its operand to point to a memory address with a data type of [ascii].";
  // clang-format off
  const std::tuple<const char*, TG_M_INSTRUCTION, const char*, const char*, const char*> rows[] = {
      {"main: NOP|goto main|stop", {TG_M_I_GOTO, 4}, "11005", "11005 4", ""},
      {"main: loadnopoint mem[0]|branch_true main|stop", {TG_M_I_BRANCHTRUE, 9}, "none", "11005 9", ""},
      {"main: NOP|gosub main|stop", {TG_M_I_GOSUB, -2}, "11005", "11005 -2", ""},
      {"main: store p_index|stop", kNone, "none", "11006 Cannot set the value of the index pre-defined variable.", ""},
      {"main: loadnopoint mem[1]|store pointer|loadnopoint mem[4]|store_ptr pointer|stop", kNone, "none", "11006 Cannot set the value of the offset pre-defined variable.", ""},
      {"main: cast_ascii p_tip|stop", kNone, "none", "11001 14 cannot be cast.", ""},
      {"main: peek n|stop", kNone, "none", "11014 The stack is empty", ""},
      // POPM pops what there is first: into n, the second address; pointer was never reached.
      {"main: loadnopoint mem[7]|store n|push n|loadnopoint mem[2]|popm pointer|stop", kNone, "none", "11014 The stack is empty", "n=L:7 pointer=L:0"},
      {"main: int 18446744073709551616.0|stop", kNone, "6", "11007 The INT instruction cannot operate on data with values greater than or equal to 2 ^ 64", ""},
      {"main: notify n|stop", kNone, "11004", "11002 The notify", ""},
      {"main: loadnopoint mem[1]|NOP|add 1|stop", {TG_M_INSTRUCTIONS(80), 0}, "none", "11017 The instruction code 80 is invalid", "register=I:1"},
      // What the checks let through.
      {"main: loadnopoint mem[3]|store p_offset|store p_progress|store p_filetitle|loadnopoint mem[8]|store pointer|store_ptr pointer|cast_double p_value|cast_ascii p_filetitle|cast_int4 register|stop", kNone, "none", "none", "mem8=D:8 mem13=T:3"},
      {"main: int 18446744073709549568.0|stop", kNone, "6", "6 [run] Overflow", ""},
      {"main: NOP|goto main|stop", {TG_M_I_GOTO, 3}, "11005", "11005 [run] 3", ""},
  };
  // clang-format on
  for (const auto& [body, patch, plain, debugFailure, cells] : rows) {
    SCOPED_TRACE(body);
    for (const bool debug : {false, true}) {
      load(lines(body), ".var pointer integer\n.var n integer\n");
      machine->setErrorEventEnabled(false);
      machine->setEnableDebug(debug);
      if (patch.opcode != TG_M_I_STOP) MachineAccess::setInstruction(*machine, 1, patch);
      const std::string failure = failureOf([&] { machine->runExplicit(0); });
      if (!debug) {
        EXPECT_EQ(failure.substr(0, failure.find(' ')), plain);
        continue;
      }
      // The checks are the debug run's own; what fails after them fails as in the plain run.
      std::string expected = debugFailure;
      if (const std::size_t space = expected.find(' '); space != std::string::npos) {
        if (expected.find(" [run]") == std::string::npos) {
          expected.insert(space, " [TessaglyphMachine::runWithDebug]");
        } else {
          expected.replace(space, 6, " [TessaglyphMachine::run]");
        }
        if (expected.starts_with("11005")) expected += wrongTarget;
        if (expected.starts_with("11002")) expected += textOnly;
      }
      EXPECT_EQ(failure, expected);
      EXPECT_EQ(left(cells), cells);  // no error events: only the cells named
      EXPECT_TRUE(patch.opcode != TG_M_INSTRUCTIONS(80) || machine->debugInfo(1).troubled);
    }
  }
}

}  // namespace
}  // namespace tg::test
