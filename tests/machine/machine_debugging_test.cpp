// Breakpoint members and memory dumps.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

class MachineDebuggingTest : public InterpreterTest {
 protected:
  std::vector<bool> breakpoints() const {
    std::vector<bool> flags;
    for (Integer i = 0; i < machine->numInstructions(); ++i)
      flags.push_back(machine->debugInfo(i).breakpoint);
    return flags;
  }
};

// Instructions 0..6 on the debug lines 1, 2, 2, 3, 2, 2, 0.
const char* const kTwoRunsOfLineTwo =
    ".line 1\nmain: loadnopoint mem[1]\n.line 2\nadd 1\n.line 2\nadd 1\n.line 3\nadd 1\n"
    ".line 2\nadd 1\n.line 2\nadd 1\n.lines off\nstop";

TEST_F(MachineDebuggingTest, LineBreakpointsFlagTheFirstInstructionOfEachRun) {
  load(kTwoRunsOfLineTwo);
  machine->setBreakpoint(2);
  EXPECT_EQ(breakpoints(), (std::vector<bool>{false, true, false, false, true, false, false}));
  machine->setBreakpoint(3);
  machine->setBreakpoint(99);  // no such line: nothing
  EXPECT_EQ(breakpoints(), (std::vector<bool>{false, true, false, true, true, false, false}));
  machine->clearBreakpoint(2);
  EXPECT_EQ(breakpoints(), (std::vector<bool>{false, false, false, true, false, false, false}));
  machine->setInstructionBreakpoint(2);
  machine->setInstructionBreakpoint(6);
  machine->clearInstructionBreakpoint(3);
  EXPECT_EQ(breakpoints(), (std::vector<bool>{false, false, true, false, false, false, true}));
  // Clearing a line clears where setting it would set, nothing inside the run.
  machine->clearBreakpoint(2);
  EXPECT_TRUE(machine->debugInfo(2).breakpoint);
  machine->clearAllBreakpoints();
  EXPECT_EQ(breakpoints(), std::vector<bool>(7, false));
  // The other flags stay as they are.
  EXPECT_EQ(machine->debugInfo(1).lineNumber, 2);
}

TEST_F(MachineDebuggingTest, InstructionBreakpointsOutsideTheCodeAreRefused) {
  load(kTwoRunsOfLineTwo);
  for (const Integer index : {Integer(-1), Integer(7), Integer(32767)}) {
    EXPECT_TRUE(raisesError([&] { machine->setInstructionBreakpoint(index); }, 9,
                            "TessaglyphMachine::setInstructionBreakpoint",
                            "Subscript out of range"));
    EXPECT_TRUE(raisesError([&] { machine->clearInstructionBreakpoint(index); }, 9,
                            "TessaglyphMachine::clearInstructionBreakpoint",
                            "Subscript out of range"));
  }
  // An empty machine has no instructions at all.
  TessaglyphMachine empty;
  EXPECT_TRUE(raisesError([&] { empty.setInstructionBreakpoint(0); }, 9,
                          "TessaglyphMachine::setInstructionBreakpoint", "Subscript out of range"));
  EXPECT_NO_THROW(empty.setBreakpoint(0));
  EXPECT_NO_THROW(empty.clearAllBreakpoints());
}

TEST_F(MachineDebuggingTest, DumpOfAFreshMachineListsThePredefinedVariables) {
  TessaglyphMachine fresh;
  const Array<TG_M_DATAINFO> dump = fresh.dumpMemory();
  ASSERT_EQ(dump.size(), 16u);
  EXPECT_EQ(dump.lbound(), 0);
  const std::vector<std::string> names = {
      "register", "offset",   "return", "x",        "y",         "index",    "row", "col",
      "value",    "filesize", "path",   "filename", "extension", "progress", "tip", "filetitle"};
  for (Long a = 0; a < 16; ++a) {
    EXPECT_EQ(dump[a].address, a);
    EXPECT_EQ(dump[a].VariableName, names[std::size_t(a)]);
    EXPECT_EQ(dump[a].dataType, fresh.memoryDataType(Integer(a)));
    EXPECT_EQ(dump[a].value, fresh.Memory(Integer(a)));
  }
  EXPECT_EQ(dump[0].dataType, TG_M_DT_INTEGER2);
  EXPECT_EQ(dump[3].dataType, TG_M_DT_DOUBLE);
  EXPECT_EQ(dump[15].dataType, TG_M_DT_ASCII);
  EXPECT_EQ(fresh.dumpNamedMemory(), dump);
}

TEST_F(MachineDebuggingTest, DumpRangesAreIndexedByAddress) {
  load("main: stop", ".var count integer\n.var hidden double nodebug\n.var label ascii\n");
  machine->setMemory(address("count"), "42");
  machine->setMemory(address("label"), "north");
  machine->setMemory(TG_M_PVI_X, "2.5");
  const Integer last = Integer(machine->dataMemory() - 1);

  const Array<TG_M_DATAINFO> middle = machine->dumpMemory(3, 5);
  EXPECT_EQ(middle.lbound(), 3);
  EXPECT_EQ(middle.ubound(), 5);
  EXPECT_EQ(middle[3].VariableName, "x");
  EXPECT_EQ(middle[3].value, "2.5");
  EXPECT_EQ(middle[5].address, 5);

  const Array<TG_M_DATAINFO> tail = machine->dumpMemory(address("count"));
  EXPECT_EQ(tail.ubound(), last);
  EXPECT_EQ(tail[address("count")].value, "42");
  EXPECT_EQ(tail[address("count")].dataType, TG_M_DT_INTEGER4);
  EXPECT_EQ(tail[address("label")].value, "north");
  const Integer hidden = Integer(address("count") + 1);
  EXPECT_EQ(tail[hidden].VariableName, "");
  EXPECT_EQ(tail[hidden].dataType, TG_M_DT_DOUBLE);

  // The named dump skips the cell without a name and counts from 0.
  const Array<TG_M_DATAINFO> named = machine->dumpNamedMemory(address("count"));
  ASSERT_EQ(named.size(), 2u);
  EXPECT_EQ(named.lbound(), 0);
  EXPECT_EQ(named[0].VariableName, "count");
  EXPECT_EQ(named[1].address, address("label"));
  EXPECT_EQ(named[1].value, "north");

  // One cell.
  EXPECT_EQ(machine->dumpMemory(last, last).size(), 1u);
  EXPECT_TRUE(machine->dumpNamedMemory(hidden, hidden).empty());
}

TEST_F(MachineDebuggingTest, DumpRangesOutsideMemoryAreRefused) {
  load("main: stop", ".var count integer\n");
  const Integer size = machine->dataMemory();
  const std::vector<std::pair<Integer, Integer>> ranges = {{5, 4},   {-1, 3}, {0, size}, {size, -1},
                                                           {-1, -1}, {0, -2}, {3, 32767}};
  for (const auto& [first, last] : ranges) {
    EXPECT_TRUE(raisesError([&] { machine->dumpMemory(first, last); }, 9,
                            "TessaglyphMachine::dumpMemory", "Subscript out of range"))
        << first << ".." << last;
    EXPECT_TRUE(raisesError([&] { machine->dumpNamedMemory(first, last); }, 9,
                            "TessaglyphMachine::dumpNamedMemory", "Subscript out of range"))
        << first << ".." << last;
  }
}

TEST_F(MachineDebuggingTest, AHandlerDumpsTheStateOfTheHeldRun) {
  struct Host : ScriptHost {
    std::function<void()> onLine;
    void reachedNewLine(Integer, Integer) override { onLine(); }
  } lineHost;
  load(".line 1\nmain: loadnopoint mem[9]\nstore count\nloadnopoint mem[4]\nstore count\nstop",
       ".var count integer\n");
  std::vector<std::string> seen;
  lineHost.onLine = [&] { seen.push_back(machine->dumpNamedMemory()[16].value); };
  machine->setEventSink(&lineHost);
  machine->setEnableDebug(true);
  machine->setRunMethod(TG_M_RM_STEP);
  machine->runExplicit(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"0", "0", "9", "9"}));
  EXPECT_EQ(machine->Memory(16), "4");
}

}  // namespace
}  // namespace tg::test
