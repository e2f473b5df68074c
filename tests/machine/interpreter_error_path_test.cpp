// The run loop's error path: continue, return or re-raise, in nested runs too.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <tuple>

#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"

namespace tg::test {
namespace {

constexpr const char* kFailingAdd = "main: loadnopoint mem[1]|divide 0|add 1|stop";
constexpr const char* kFailingSub =
    "main: gosub sub|add 1|stop|sub: loadnopoint mem[1]|divide 0|add 10|stop";

// How the host takes an error: continues, ends the run, lets it reach the caller, or is absent.
enum Host { kContinue, kEnd, kRaise, kNoSink };

class ErrorPathTest : public InterpreterTest {
 protected:
  // The error raised, the register, each reported error and the troubled instructions.
  std::string runAndTrace(const std::string& body, Host how) {
    load(lines(body));
    host.errors.clear();
    host.continueErrors = how == kContinue;
    if (how == kRaise) machine->setErrorEventEnabled(false);
    if (how == kNoSink) machine->setEventSink(nullptr);
    const std::string failure = failureOf([&] { machine->runExplicit(0); });
    std::string text = (failure == "none" ? "" : failure + " ") + "reg=" + machine->register_();
    for (const ReportedError& e : host.errors) {
      text += " !" + std::to_string(e.number) + " " + e.description + "@" +
              std::to_string(e.instruction);
      EXPECT_EQ(e.line, machine->debugInfo(e.instruction).lineNumber);
    }
    text += " troubled=";
    for (Integer i = 0, n = 0; i < machine->numInstructions(); ++i)
      if (machine->debugInfo(i).troubled) text += (n++ ? "," : "") + std::to_string(i);
    return text;
  }
};

TEST_F(ErrorPathTest, TheHostDecidesHowTheRunGoesOn) {
  // clang-format off
  const std::tuple<const char*, Host, const char*> rows[] = {
      {kFailingAdd, kContinue, "reg=2 !11 Division by zero@1 troubled=1"},
      {kFailingAdd, kEnd, "reg=1 !11 Division by zero@1 troubled=1"},
      {kFailingAdd, kNoSink, "reg=1 troubled=1"},
      // Going on after a failed branch test takes the branch.
      {"main: setref \"x\"|branch_negative yes|loadnopoint mem[1]|stop|yes: loadnopoint mem[2]|stop", kContinue, "reg=2 !13 Type mismatch@1 troubled=1"},
      // An error in a subroutine ends only the nested run; re-raised, it passes every caller.
      {kFailingSub, kEnd, "reg=2 !11 Division by zero@4 troubled=4"},
      {kFailingSub, kRaise, "11 [] Division by zero reg=1 troubled=0,4"},
      {"main: add 1|gosub main|stop", kRaise, "28 [TessaglyphMachine::run] Out of stack space reg=2000 troubled=1"},
      {"main: loadnopoint mem[3]|stop", kEnd, "reg=3 troubled="},
  };
  // clang-format on
  for (const auto& [body, how, expected] : rows)
    EXPECT_EQ(runAndTrace(body, how), expected) << body << " " << how;
  // INIT re-raises as a run does; running off the code ends the run though the host continues.
  load(lines(kFailingAdd));
  machine->setErrorEventEnabled(false);
  EXPECT_TRUE(raisesError([&] { machine->routine(TG_M_RAI_INIT); }, 11, "", "Division by zero"));
  load("main: NOP\nstop");
  host.continueErrors = true;
  MachineAccess::setInstruction(*machine, 0, {TG_M_I_GOTO, 40});
  machine->runExplicit(0);
  EXPECT_EQ(left(""), "!11005 40 is not a valid code address.");
}

// Memory that runs out inside a run takes the error path as error 7, in both runs.
TEST_F(ErrorPathTest, OutOfMemoryIsAScriptError) {
  for (const char* source : {"TessaglyphMachine::run", "TessaglyphMachine::runWithDebug"}) {
    load(lines("main: raiseevent \"grow\"|loadnopoint mem[5]|stop"));
    host.errors.clear();
    machine->setEnableDebug(source == std::string("TessaglyphMachine::runWithDebug"));
    host.onDataChanged = [] { throw std::bad_alloc(); };
    host.continueErrors = true;
    machine->runExplicit(0);
    EXPECT_EQ(left("register="), "register=I:5 !7 Out of memory");
    machine->setErrorEventEnabled(false);
    EXPECT_EQ(failureOf([&] { machine->runExplicit(0); }),
              "7 [" + std::string(source) + "] Out of memory");
  }
}

// A host that cancels from an event ends the run after that instruction.
TEST_F(ErrorPathTest, ACancelFromAnEventEndsTheRun) {
  load(lines("main: loadnopoint mem[3]|raiseevent \"x\"|loadnopoint mem[5]|stop"));
  host.onDataChanged = [&] { machine->cancelExecution(); };
  machine->runExplicit(0);
  EXPECT_EQ(machine->register_(), "3");
}

// Continuing, the failed instruction's later steps run; `patched` may point past memory.
TEST_F(ErrorPathTest, ContinuingRunsTheRemainingStepsOfTheFailedInstruction) {
  // clang-format off
  const std::tuple<const char*, bool, Integer, const char*, Integer, const char*> rows[] = {
      // body, debug run, patched, patchTo, offset, expected (see left(), errors by number)
      {"main: open \"$F\"|store h|read f|store cnt|stop", false, -1, "", 0, "register=L:0 cnt=L:0 !62"},
      {"main: open \"$F\"|store h|load -1|store p_offset|load h|read a|stop", true, -1, "", 0, "register=L:0 !11007 !63"},
      {"main: load 7|store p_offset|load 3|pushm mem[0]|pop a|pop b|stop", false, 3, "", -1, "a=L:7 b=I:3 !9"},
      {"main: load 4|store a|load 5|store b|push a|push b|load 3|popm mem[0]|stop", false, 7, "n", 0, "d1=L:5 n=L:4 !9"},
      {"main: load 4|store a|push a|load 3|popm cnt|stop", true, -1, "", 0, "d1=L:4 !11014 !11014"},
      {"main: load 2|store n|cast_ascii register|load \",\"|store d1|setdelims mem[0]|push register|pop t|open \"$F\"|read t|stop", false, 5, "n", 0, "t=T:AB register=L:3 !9"},
      {"main: notify \"XWhat now?\"|stop", false, -1, "", 0, "register=T:OK !11004"},
      {"main: load 1|store p|load 9|store_ptr p|stop", true, -1, "", 0, "mem1=L:9 !11006"},
      {"main: load 3|store p_offset|cast_double p_offset|load p_offset|stop", true, -1, "", 0, "mem1=D:3 !11001"},
  };
  // clang-format on
  sandbox.writeFile("data.bin", "AB,CD");
  errorNumbersOnly = true;
  for (const auto& [text, debug, patched, patchTo, offset, expected] : rows) {
    std::string body = lines(text);
    for (std::size_t at; (at = body.find("$F")) != std::string::npos;)
      body.replace(at, 2, sandbox.root() + "data.bin");
    load(body,
         ".var h integer\n.var a integer\n.var b integer\n.var p integer\n.var f double\n"
         ".var t ascii\n.var cnt integer\n.var n integer\n.var d1 ascii\n");
    if (patched >= 0) {
      TG_M_INSTRUCTION instruction = machine->instructions(patched);
      instruction.operand = Integer((*patchTo ? address(patchTo) : 0) + offset);
      MachineAccess::setInstruction(*machine, patched, instruction);
    }
    machine->setEnableDebug(debug);
    machine->setMessageBoxMode(TG_M_MBM_EVENT);
    host.errors.clear();
    host.continueErrors = true;
    machine->runExplicit(0);
    EXPECT_EQ(left(expected), expected) << text;
  }
}

}  // namespace
}  // namespace tg::test
