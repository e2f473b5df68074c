// The run loop's error path (continue, return, re-raise; nested runs), cancelExecution and
// runaway recursion.
#include <gtest/gtest.h>

#include <string>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

constexpr const char* kFailingAdd = "main: loadnopoint mem[1]\ndivide 0\nadd 1\nstop";

TEST_F(InterpreterTest, ContinueGoesOnAfterTheFailedInstruction) {
  host.continueErrors = true;
  run(kFailingAdd);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].number, 11);
  EXPECT_EQ(host.errors[0].description, "Division by zero");
  EXPECT_EQ(host.errors[0].instruction, 1);
  EXPECT_EQ(host.errors[0].line, machine->debugInfo(1).lineNumber);
  EXPECT_GT(host.errors[0].line, 0);
  EXPECT_EQ(machine->register_(), "2");
  EXPECT_TRUE(machine->debugInfo(1).troubled);
  EXPECT_FALSE(machine->debugInfo(2).troubled);
}

TEST_F(InterpreterTest, WithoutContinueTheRunReturnsQuietly) {
  run(kFailingAdd);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(machine->register_(), "1");
}

TEST_F(InterpreterTest, WithoutErrorEventsTheErrorReachesTheCaller) {
  load(kFailingAdd);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->routine(TG_M_RAI_INIT); }, 11, "", "Division by zero"));
  EXPECT_TRUE(host.errors.empty());
  EXPECT_TRUE(machine->debugInfo(1).troubled);
}

TEST_F(InterpreterTest, NoSinkMeansTheRunReturnsQuietly) {
  load(kFailingAdd);
  machine->setEventSink(nullptr);
  EXPECT_NO_THROW(machine->runExplicit(0));
  EXPECT_EQ(machine->register_(), "1");
}

TEST_F(InterpreterTest, ContinuingAfterAFailedBranchTestTakesTheBranch) {
  host.continueErrors = true;
  run("main: setref \"x\"\nbranch_negative yes\nloadnopoint mem[1]\nstop\n"
      "yes: loadnopoint mem[2]\nstop");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].number, 13);
  EXPECT_EQ(machine->register_(), "2");
}

constexpr const char* kFailingSubroutine =
    "main: gosub sub\nadd 1\nstop\nsub: loadnopoint mem[1]\ndivide 0\nadd 10\nstop";

TEST_F(InterpreterTest, ErrorInASubroutineEndsOnlyTheNestedRun) {
  run(kFailingSubroutine);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].instruction, 4);
  EXPECT_EQ(machine->register_(), "2");
  EXPECT_FALSE(machine->debugInfo(0).troubled);
}

TEST_F(InterpreterTest, ContinueInASubroutineGoesOnInsideIt) {
  host.continueErrors = true;
  run(kFailingSubroutine);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(machine->register_(), "12");
}

TEST_F(InterpreterTest, ReRaisedSubroutineErrorPassesThroughEveryCaller) {
  load(kFailingSubroutine);
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 11, "", "Division by zero"));
  EXPECT_TRUE(machine->debugInfo(0).troubled);
  EXPECT_TRUE(machine->debugInfo(4).troubled);
  EXPECT_EQ(machine->register_(), "1");
}

TEST_F(InterpreterTest, CancelFromAnEventHandlerEndsAnEndlessLoop) {
  load("main: add 1\nraiseevent \"tick\"\ngoto main");
  int calls = 0;
  host.onDataChanged = [&] {
    if (++calls == 1000) machine->cancelExecution();
  };
  machine->runExplicit(0);
  EXPECT_EQ(calls, 1000);
  EXPECT_EQ(machine->register_(), "1000");
  // The next run starts with the flag cleared.
  calls = 0;
  machine->runExplicit(0);
  EXPECT_EQ(calls, 1000);
}

TEST_F(InterpreterTest, CancelInASubroutineEndsTheCallersToo) {
  load("main: gosub sub\nloadnopoint mem[7]\nstop\nsub: raiseevent \"x\"\nstop");
  host.onDataChanged = [&] { machine->cancelExecution(); };
  machine->runExplicit(0);
  EXPECT_EQ(machine->register_(), "0");
}

TEST_F(InterpreterTest, RunawayRecursionEndsInOutOfStackSpace) {
  run("main: gosub main\nstop");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].number, 28);
  EXPECT_EQ(host.errors[0].description, "Out of stack space");
  EXPECT_EQ(host.errors[0].instruction, 0);
  // The machine is usable afterwards.
  host.errors.clear();
  run("main: loadnopoint mem[3]\nstop");
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(machine->register_(), "3");
}

TEST_F(InterpreterTest, RunawayRecursionWithoutEventsReachesTheCaller) {
  load("main: add 1\ngosub main\nstop");
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 28, "TessaglyphMachine::run",
                          "Out of stack space"));
}

TEST_F(InterpreterTest, RunningOffTheEndOfTheCodeIsReported) {
  host.continueErrors = true;
  load("main: NOP\nstop");
  MachineAccess::setInstruction(*machine, 0, {TG_M_I_GOTO, 40});
  machine->runExplicit(0);
  ASSERT_EQ(host.errors.size(), 1u);  // continuing is impossible: the run ends
  EXPECT_EQ(host.errors[0].description, "40 is not a valid code address.");
}

}  // namespace
}  // namespace tg::test
