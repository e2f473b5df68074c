// The debug run: line events by run method and apply-run-method rule, breakpoints, stepping
// after errors, GOSUB nesting, a host steering the run from its handler, and the checks only the
// debug run makes.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"

namespace tg::test {
namespace {

// One reachedNewLine: the source line and the instruction.
using Stop = std::pair<Integer, Integer>;

// Records the line events and runs a hook on each.
class DebugHost : public ScriptHost {
 public:
  std::vector<Stop> stops;
  std::function<void(const Stop&)> onStop;

  void reachedNewLine(Integer lineNumber, Integer instructionNumber) override {
    stops.emplace_back(lineNumber, instructionNumber);
    if (onStop) onStop(stops.back());
  }
};

// Script source whose instructions carry the debug lines given beside them (0: no line).
std::string withLines(std::initializer_list<std::pair<int, std::string>> code) {
  std::string source;
  for (const auto& [line, instruction] : code) {
    if (line == 0) {
      source += ".lines off\n" + instruction + "\n.lines on\n";
    } else {
      source += ".line " + std::to_string(line) + "\n" + instruction + "\n";
    }
  }
  return source;
}

class DebugRunTest : public InterpreterTest {
 protected:
  DebugHost debugHost;

  void loadDebug(const std::string& source, TG_M_RUNMETHODS method,
                 TG_M_APPLYRUNMETHODCONSTANTS apply = TG_M_ARM_ALWAYS) {
    load(source);
    machine->setEventSink(&debugHost);
    machine->setEnableDebug(true);
    machine->setRunMethod(method);
    machine->setApplyRunMethod(apply);
  }
};

// Instructions 0..6: line 1, a line 2 of two instructions, an instruction without a line, line
// 3, line 1 again (a second run of it), and a STOP, which the run never steps onto.
const std::string kSixLines = withLines({{1, "main: loadnopoint mem[1]"},
                                         {2, "add 1"},
                                         {2, "add 1"},
                                         {0, "add 1"},
                                         {3, "add 1"},
                                         {1, "add 1"},
                                         {1, "stop"}});

struct SteppingCase {
  const char* name;
  TG_M_RUNMETHODS method;
  TG_M_APPLYRUNMETHODCONSTANTS apply;
  bool breakBefore;
  std::vector<Stop> stops;
};

class SteppingTest : public DebugRunTest, public ::testing::WithParamInterface<SteppingCase> {};

TEST_P(SteppingTest, RaisesTheLineEventsOfItsRunMethod) {
  const SteppingCase& c = GetParam();
  loadDebug(kSixLines, c.method, c.apply);
  machine->setBreak(c.breakBefore);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, c.stops);
  EXPECT_EQ(machine->register_(), "6");  // every instruction ran
  EXPECT_TRUE(debugHost.errors.empty());
}

const std::vector<Stop> kEveryLine = {{1, 0}, {2, 1}, {3, 4}, {1, 5}};

INSTANTIATE_TEST_SUITE_P(
    DebugRun, SteppingTest,
    ::testing::Values(
        SteppingCase{"StepOncePerLine", TG_M_RM_STEP, TG_M_ARM_ALWAYS, false, kEveryLine},
        SteppingCase{"StepOverAsStep", TG_M_RM_STEPOVER, TG_M_ARM_ALWAYS, false, kEveryLine},
        SteppingCase{"StepInstructions",
                     TG_M_RM_STEPINSTRUCTIONS,
                     TG_M_ARM_ALWAYS,
                     false,
                     {{1, 0}, {2, 1}, {2, 2}, {0, 3}, {3, 4}, {1, 5}}},
        SteppingCase{"Continuous", TG_M_RM_CONTINUOUS, TG_M_ARM_ALWAYS, true, {}},
        SteppingCase{
            "BreakTroubledWithoutTrouble", TG_M_RM_BREAKTROUBLED, TG_M_ARM_ALWAYS, true, {}},
        SteppingCase{"AfterBreakWithoutBreak", TG_M_RM_STEP, TG_M_ARM_AFTERBREAK, false, {}},
        SteppingCase{"AfterBreakAlreadyBroken", TG_M_RM_STEP, TG_M_ARM_AFTERBREAK, true,
                     kEveryLine},
        SteppingCase{"AfterErrorWithoutError", TG_M_RM_STEP, TG_M_ARM_AFTERERROR, false, {}}),
    [](const ::testing::TestParamInfo<SteppingCase>& info) { return info.param.name; });

TEST_F(DebugRunTest, WithDebugOffNoLineEventIsRaised) {
  loadDebug(kSixLines, TG_M_RM_STEP);
  machine->setEnableDebug(false);
  machine->setBreakpoint(2);
  machine->runExplicit(0);
  EXPECT_TRUE(debugHost.stops.empty());
  EXPECT_EQ(machine->register_(), "6");
}

TEST_F(DebugRunTest, BreakpointsStopOnEachSeparateRunOfTheirLine) {
  loadDebug(kSixLines, TG_M_RM_CONTINUOUS);
  machine->setBreakpoint(1);
  machine->setInstructionBreakpoint(3);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{1, 0}, {0, 3}, {1, 5}}));
  // Breakpoints alone do not start stepping.
  EXPECT_TRUE(machine->break_());
}

TEST_F(DebugRunTest, AfterBreakStartsSteppingAtTheFirstBreakpoint) {
  loadDebug(kSixLines, TG_M_RM_STEP, TG_M_ARM_AFTERBREAK);
  machine->setBreak(false);
  machine->setBreakpoint(2);
  machine->runExplicit(0);
  // The breakpoint reports itself and again as the place stepping starts; then every new line.
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{2, 1}, {2, 1}, {3, 4}, {1, 5}}));
  EXPECT_TRUE(machine->break_());
}

TEST_F(DebugRunTest, StepInstructionsAndABreakpointEachReportTheInstruction) {
  loadDebug(kSixLines, TG_M_RM_STEPINSTRUCTIONS);
  machine->setInstructionBreakpoint(2);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops,
            (std::vector<Stop>{{1, 0}, {2, 1}, {2, 2}, {2, 2}, {0, 3}, {3, 4}, {1, 5}}));
}

TEST_F(DebugRunTest, TheHandlerTurnsSteppingOff) {
  loadDebug(kSixLines, TG_M_RM_STEP);
  machine->setInstructionBreakpoint(5);
  debugHost.onStop = [&](const Stop& stop) {
    if (stop.first == 2) machine->setBreak(false);
    if (stop.second == 5) machine->setRunMethod(TG_M_RM_STEPINSTRUCTIONS);
  };
  machine->runExplicit(0);
  // Off at line 2; the breakpoint on instruction 5 still stops.
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{1, 0}, {2, 1}, {1, 5}}));
}

TEST_F(DebugRunTest, SettingsChangedInTheHandlerApplyFromTheNextInstruction) {
  loadDebug(kSixLines, TG_M_RM_CONTINUOUS);
  machine->setInstructionBreakpoint(1);
  debugHost.onStop = [&](const Stop&) { machine->setRunMethod(TG_M_RM_STEPINSTRUCTIONS); };
  machine->runExplicit(0);
  // The stepping rule already applies to the instruction whose breakpoint changed the method.
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{2, 1}, {2, 1}, {2, 2}, {0, 3}, {3, 4}, {1, 5}}));
}

TEST_F(DebugRunTest, CancelFromALineEventEndsTheRunAfterThatInstruction) {
  loadDebug(kSixLines, TG_M_RM_STEP);
  debugHost.onStop = [&](const Stop& stop) {
    if (stop.first == 2) machine->cancelExecution();
  };
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{1, 0}, {2, 1}}));
  EXPECT_EQ(machine->register_(), "2");
  // The next run starts afresh.
  debugHost.onStop = nullptr;
  debugHost.stops.clear();
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, kEveryLine);
}

TEST_F(DebugRunTest, ARunStartedFromTheHandlerLeavesTheSteppedRunWhereItWas) {
  loadDebug(kSixLines + withLines({{9, "side: loadnopoint mem[50]"}, {9, "stop"}}), TG_M_RM_STEP);
  debugHost.onStop = [&](const Stop& stop) {
    if (stop.first == 3) {
      machine->setEnableDebug(false);
      machine->runExplicit(7);
      machine->setEnableDebug(true);
      machine->setRegister("4");
    }
  };
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, kEveryLine);
  EXPECT_EQ(machine->register_(), "6");
}

// The subroutine stands on lines 10 and 11; the caller's line 2 follows the GOSUB.
const std::string kCallingScript = withLines({{1, "main: gosub sub"},
                                              {2, "add 1"},
                                              {2, "stop"},
                                              {10, "sub: loadnopoint mem[5]"},
                                              {11, "add 1"},
                                              {11, "stop"}});

TEST_F(DebugRunTest, GosubStepsIntoTheSubroutineAndBack) {
  loadDebug(kCallingScript, TG_M_RM_STEP);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{1, 0}, {10, 3}, {11, 4}, {2, 1}}));
  EXPECT_EQ(machine->register_(), "7");
}

TEST_F(DebugRunTest, AStepInTheSubroutineStopsAtItsFirstLineEvenWithBreakOff) {
  loadDebug(kCallingScript, TG_M_RM_STEPOVER);
  debugHost.onStop = [&](const Stop& stop) {
    if (stop.first == 1 || stop.first == 10) machine->setBreak(false);
  };
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{1, 0}, {10, 3}}));
}

TEST_F(DebugRunTest, TheSubroutineOfACallerWithBreakpointsOnlyRunsThrough) {
  loadDebug(kCallingScript, TG_M_RM_CONTINUOUS);
  machine->setBreakpoint(11);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{11, 4}}));
}

// Line 2 fails (division by zero); lines 3 and 4 follow.
const std::string kFailingLine = withLines(
    {{1, "main: loadnopoint mem[1]"}, {2, "divide 0"}, {3, "add 1"}, {4, "add 1"}, {4, "stop"}});

TEST_F(DebugRunTest, AfterErrorStepsFromTheFirstErrorWhenTheHostContinues) {
  loadDebug(kFailingLine, TG_M_RM_STEP, TG_M_ARM_AFTERERROR);
  machine->setBreak(false);
  debugHost.continueErrors = true;
  machine->runExplicit(0);
  ASSERT_EQ(debugHost.errors.size(), 1u);
  EXPECT_EQ(debugHost.errors[0].line, 2);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{3, 2}, {4, 3}}));
  EXPECT_TRUE(machine->break_());
  EXPECT_EQ(machine->register_(), "3");
}

TEST_F(DebugRunTest, AfterErrorSetsBreakBeforeTheErrorEvents) {
  loadDebug(kFailingLine, TG_M_RM_STEPINSTRUCTIONS, TG_M_ARM_AFTERERROR);
  machine->setBreak(false);
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
  EXPECT_TRUE(errorHost.stops.empty());  // the run ended at the error
  EXPECT_TRUE(machine->break_());
  // The next run steps from its start.
  machine->runExplicit(2);
  EXPECT_EQ(errorHost.stops, (std::vector<Stop>{{3, 2}, {4, 3}}));
}

TEST_F(DebugRunTest, AfterErrorSetsBreakAlsoWhenTheErrorGoesToTheCaller) {
  loadDebug(kFailingLine, TG_M_RM_STEP, TG_M_ARM_AFTERERROR);
  machine->setBreak(false);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 11, "", "Division by zero"));
  EXPECT_TRUE(machine->break_());
}

TEST_F(DebugRunTest, AnErrorDoesNotStartSteppingUnderOtherRules) {
  for (const auto& [method, apply] : {std::pair{TG_M_RM_CONTINUOUS, TG_M_ARM_AFTERERROR},
                                      std::pair{TG_M_RM_STEP, TG_M_ARM_AFTERBREAK},
                                      std::pair{TG_M_RM_BREAKTROUBLED, TG_M_ARM_AFTERERROR}}) {
    loadDebug(kFailingLine, method, apply);
    machine->setBreak(false);
    debugHost.continueErrors = true;
    machine->runExplicit(0);
    EXPECT_FALSE(machine->break_()) << method << " " << apply;
  }
  EXPECT_TRUE(debugHost.stops.empty());
}

TEST_F(DebugRunTest, BreakTroubledStopsAtALineThatFailedBefore) {
  loadDebug(kFailingLine, TG_M_RM_CONTINUOUS);
  machine->runExplicit(0);  // marks line 2 troubled
  ASSERT_TRUE(machine->debugInfo(1).troubled);
  EXPECT_TRUE(debugHost.stops.empty());
  machine->setRunMethod(TG_M_RM_BREAKTROUBLED);
  machine->setBreak(false);
  machine->runExplicit(0);
  EXPECT_EQ(debugHost.stops, (std::vector<Stop>{{2, 1}}));
  EXPECT_TRUE(machine->break_());
  // Only while the rule is ALWAYS.
  debugHost.stops.clear();
  machine->setApplyRunMethod(TG_M_ARM_AFTERBREAK);
  machine->runExplicit(0);
  EXPECT_TRUE(debugHost.stops.empty());
}

TEST_F(DebugRunTest, ErrorEventsOfTheDebugRunCarryTheInstructionAndLine) {
  loadDebug(withLines({{1, "main: loadnopoint mem[1]"}, {7, "goto code[0]"}, {7, "stop"}}),
            TG_M_RM_CONTINUOUS);
  MachineAccess::setInstruction(*machine, 1, {TG_M_I_GOTO, 40});
  machine->runExplicit(0);
  ASSERT_EQ(debugHost.errors.size(), 1u);
  EXPECT_EQ(debugHost.errors[0].number, TG_M_E_INVALIDCODEADDRESS);
  EXPECT_EQ(debugHost.errors[0].description, "40 is not a valid code address.");
  EXPECT_EQ(debugHost.errors[0].instruction, 1);
  EXPECT_EQ(debugHost.errors[0].line, 7);
}

TEST_F(DebugRunTest, ContinuingPastARefusedTargetGoesOnWithTheNextInstruction) {
  loadDebug("main: loadnopoint mem[0]\nbranch_zero main\ngoto main\ngosub main\nadd 5\nstop",
            TG_M_RM_CONTINUOUS);
  MachineAccess::setInstruction(*machine, 1, {TG_M_I_BRANCHZERO, 40});
  MachineAccess::setInstruction(*machine, 2, {TG_M_I_GOTO, -3});
  MachineAccess::setInstruction(*machine, 3, {TG_M_I_GOSUB, 41});
  debugHost.continueErrors = true;
  machine->runExplicit(0);
  ASSERT_EQ(debugHost.errors.size(), 3u);
  EXPECT_EQ(debugHost.errors[1].description, "-3 is not a valid code address.");
  EXPECT_EQ(machine->register_(), "5");
}

// ---- The checks of the debug run ---------------------------------------------------------

struct CheckCase {
  const char* name;
  const char* body;
  std::int32_t number;
  const char* description;
  // What the plain run does with the same script: the error it raises (0 for none).
  std::int32_t plainNumber;
  // A code address the assembler would refuse, put into the operand of instruction 1.
  std::optional<Integer> target = std::nullopt;
};

class DebugCheckTest : public DebugRunTest, public ::testing::WithParamInterface<CheckCase> {};

const char* const kHeader =
    ".var pointer integer\n.var n integer\n.var big double\n.var text ascii\n";

TEST_P(DebugCheckTest, RaisesInTheDebugRunOnly) {
  const CheckCase& c = GetParam();
  const auto prepare = [&] {
    load(c.body, kHeader);
    machine->setErrorEventEnabled(false);
    if (c.target) {
      TG_M_INSTRUCTION jump = machine->instructions(1);
      jump.operand = *c.target;
      MachineAccess::setInstruction(*machine, 1, jump);
    }
  };
  prepare();
  if (c.plainNumber == 0) {
    EXPECT_NO_THROW(machine->runExplicit(0));
  } else {
    try {
      machine->runExplicit(0);
      ADD_FAILURE() << "the plain run raised nothing";
    } catch (const Error& error) {
      EXPECT_EQ(error.number(), c.plainNumber);
    }
  }
  prepare();
  machine->setEnableDebug(true);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, c.number,
                          "TessaglyphMachine::runWithDebug", c.description));
}

INSTANTIATE_TEST_SUITE_P(
    DebugRun, DebugCheckTest,
    ::testing::Values(
        CheckCase{"GotoBeyondTheEnd", "main: NOP\ngoto main\nstop", 11005,
                  "4 is not a valid code address.", 11005, 4},
        CheckCase{"GotoNegative", "main: NOP\ngoto main\nstop", 11005,
                  "-1 is not a valid code address.", 11005, -1},
        CheckCase{"BranchNotTaken", "main: loadnopoint mem[0]\nbranch_true main\nstop", 11005,
                  "9 is not a valid code address.", 0, 9},
        CheckCase{"BranchNegative", "main: load -1\nbranch_negative main\nstop", 11005,
                  "7 is not a valid code address.", 11005, 7},
        CheckCase{"Gosub", "main: NOP\ngosub main\nstop", 11005, "-2 is not a valid code address.",
                  11005, -2},
        CheckCase{"StoreIndex", "main: store p_index\nstop", 11006,
                  "Cannot set the value of the index pre-defined variable.", 0},
        CheckCase{"StoreValue", "main: store p_value\nstop", 11006,
                  "Cannot set the value of the value pre-defined variable.", 0},
        CheckCase{"StoreExtension", "main: store p_extension\nstop", 11006,
                  "Cannot set the value of the extension pre-defined variable.", 0},
        CheckCase{"StorePointerOffset",
                  "main: loadnopoint mem[1]\nstore pointer\nloadnopoint mem[4]\n"
                  "store_ptr pointer\nstop",
                  11006, "Cannot set the value of the offset pre-defined variable.", 0},
        CheckCase{"StorePointerTip",
                  "main: loadnopoint mem[14]\nstore pointer\nstore_ptr pointer\nstop", 11006,
                  "Cannot set the value of the tip pre-defined variable.", 0},
        CheckCase{"CastOffset", "main: cast_double p_offset\nstop", 11001, "1 cannot be cast.", 0},
        CheckCase{"CastTip", "main: cast_ascii p_tip\nstop", 11001, "14 cannot be cast.", 0},
        CheckCase{"PeekEmpty", "main: peek n\nstop", 11014, "The stack is empty", 0},
        CheckCase{"PopManyRunsEmpty",
                  "main: push n\nloadnopoint mem[2]\nstore n\npopm pointer\nstop", 11014,
                  "The stack is empty", 0},
        CheckCase{"IntFrom2To64", "main: int 18446744073709551616.0\nstop", 11007,
                  "The INT instruction cannot operate on data with values greater than or equal "
                  "to 2 ^ 64",
                  6},
        CheckCase{"NotifyOfANumber", "main: notify n\nstop", 11002,
                  "The notify instruction requires its operand to point to a memory address with "
                  "a data type of [ascii].",
                  11004},
        CheckCase{"UserInputOfANumber", "main: userinput n\nstop", 11002,
                  "The userinput instruction requires its operand to point to a memory address "
                  "with a data type of [ascii].",
                  0}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

TEST_F(DebugRunTest, WhatTheChecksLetThrough) {
  // Stores into writable predefined variables, pointers to other ones, casts of the variables
  // whose type may change, INT just below 2 ^ 64 (too big for the result: 6), jumps to the end.
  load(
      "main: loadnopoint mem[3]\nstore p_offset\nstore p_progress\nstore p_filetitle\n"
      "loadnopoint mem[8]\nstore pointer\nstore_ptr pointer\ncast_double p_value\n"
      "cast_ascii p_filetitle\ncast_int4 register\nstop",
      kHeader);
  machine->setEnableDebug(true);
  machine->setErrorEventEnabled(false);
  machine->runExplicit(0);
  EXPECT_EQ(machine->Memory(TG_M_PVI_VALUE), "8");
  EXPECT_EQ(machine->memoryDataType(TG_M_PVI_VALUE), TG_M_DT_DOUBLE);
  EXPECT_EQ(machine->Memory(TG_M_PVI_PROGRESS), "3");

  load("main: int 18446744073709549568.0\nstop", kHeader);
  machine->setEnableDebug(true);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(
      raisesError([&] { machine->runExplicit(0); }, 6, "TessaglyphMachine::run", "Overflow"));

  // A jump to the end of the code passes the check and fails at the fetch.
  load("main: goto main\nstop", kHeader);
  MachineAccess::setInstruction(*machine, 0, {TG_M_I_GOTO, 2});
  machine->setEnableDebug(true);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 11005, "TessaglyphMachine::run",
                          "2 is not a valid code address."));
}

TEST_F(DebugRunTest, PopManyPopsWhatThereIsBeforeTheStackRunsEmpty) {
  load("main: loadnopoint mem[7]\nstore n\npush n\nloadnopoint mem[2]\npopm pointer\nstop",
       kHeader);
  machine->setEnableDebug(true);
  machine->runExplicit(0);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].number, TG_M_E_STACKEMPTY);
  EXPECT_EQ(value("n"), "7");  // popped into n, the second address; pointer was never reached
  EXPECT_EQ(value("pointer"), "0");
}

TEST_F(DebugRunTest, AnUnknownOpcodeIsSkippedByThePlainRunAndRefusedByTheDebugRun) {
  load("main: loadnopoint mem[1]\nNOP\nadd 1\nstop");
  MachineAccess::setInstruction(*machine, 1, {TG_M_INSTRUCTIONS(80), 0});
  machine->setErrorEventEnabled(false);
  machine->runExplicit(0);
  EXPECT_EQ(machine->register_(), "2");
  machine->setEnableDebug(true);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 11017,
                          "TessaglyphMachine::runWithDebug", "The instruction code 80 is invalid"));
  EXPECT_TRUE(machine->debugInfo(1).troubled);
}

}  // namespace
}  // namespace tg::test
