// The debug run: the checks of its own, and the error events that carry the instruction and line.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"

namespace tg::test {
namespace {

using DebugRunTest = InterpreterTest;

TEST_F(DebugRunTest, ErrorEventsCarryTheInstructionAndLineAndContinuingSkipsBadTargets) {
  load("main: loadnopoint mem[0]\nbranch_zero main\ngoto main\ngosub main\nadd 5\nstop");
  machine->setEnableDebug(true);
  MachineAccess::setInstruction(*machine, 1, {TG_M_I_BRANCHZERO, 40});
  MachineAccess::setInstruction(*machine, 2, {TG_M_I_GOTO, -3});
  MachineAccess::setInstruction(*machine, 3, {TG_M_I_GOSUB, 41});
  host.continueErrors = true;
  errorNumbersOnly = true;
  machine->runExplicit(0);
  std::string where;
  for (const ReportedError& error : host.errors)
    where += " " + std::to_string(error.instruction) + "@" + std::to_string(error.line);
  EXPECT_EQ(left("register=") + where, "register=I:5 !11005 !11005 !11005 1@5 2@6 3@7");
  EXPECT_EQ(host.errors[1].description, "-3 is not a valid code address.");
}

// Stepping raises an event per new line (none for instructions without one), a breakpoint one per
// separate run of its line; GOSUB steps into the subroutine and back.
TEST_F(DebugRunTest, StepsLineByLineAndStopsAtBreakpoints) {
  struct : ScriptHost {
    std::string stops;
    void reachedNewLine(Integer line, Integer instruction) override {
      stops += std::to_string(line) + "@" + std::to_string(instruction) + " ";
    }
  } stepHost;
  // clang-format off
  const std::tuple<TG_M_RUNMETHODS, Integer, const char*> rows[] = {
      {TG_M_RM_STEP, -1, "1@0 10@7 11@8 2@1 3@4 1@5 "},
      {TG_M_RM_STEPINSTRUCTIONS, -1, "1@0 10@7 11@8 2@1 2@2 0@3 3@4 1@5 "},
      {TG_M_RM_CONTINUOUS, 1, "1@0 1@5 "}};
  // clang-format on
  for (const auto& [method, breakpoint, expected] : rows) {
    load(
        ".line 1\nmain: gosub sub\n.line 2\nadd 1\n.line 2\nadd 1\n.lines off\nadd 1\n.lines on\n"
        ".line 3\nadd 1\n.line 1\nadd 1\n.line 1\nstop\n.line 10\nsub: loadnopoint mem[5]\n"
        ".line 11\nadd 1\n.line 11\nstop");
    machine->setEventSink(&stepHost);
    machine->setEnableDebug(true);
    machine->setRunMethod(method);
    if (breakpoint >= 0) machine->setBreakpoint(breakpoint);
    stepHost.stops.clear();
    machine->runExplicit(0);
    EXPECT_EQ(stepHost.stops, expected) << method;
    EXPECT_EQ(machine->register_(), "11");
  }
}

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
