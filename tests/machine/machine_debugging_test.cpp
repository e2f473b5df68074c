// Breakpoint members and memory dumps.
#include <gtest/gtest.h>

#include <string>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

class MachineDebugging : public InterpreterTest {
 protected:
  // Instructions 0..6 on the debug lines 1, 2, 2, 3, 2, 2, 0.
  void SetUp() override {
    load(
        ".line 1\nmain: loadnopoint mem[1]\n.line 2\nadd 1\n.line 2\nadd 1\n.line 3\nadd 1\n"
        ".line 2\nadd 1\n.line 2\nadd 1\n.lines off\nstop",
        ".var count integer\n.var hidden double nodebug\n.var label ascii\n");
  }
  // The breakpoint flags, one digit per instruction.
  std::string breakpoints() const {
    std::string flags;
    for (Integer i = 0; i < machine->numInstructions(); ++i)
      flags += machine->debugInfo(i).breakpoint ? '1' : '0';
    return flags;
  }
  // A dump as address:name:kind=value entries from its lower bound on.
  static std::string shown(const Array<TG_M_DATAINFO>& dump) {
    std::string text = std::to_string(dump.lbound()) + ")";
    for (const TG_M_DATAINFO& cell : dump)
      text += " " + std::to_string(cell.address) + ":" + cell.VariableName + ":" +
              std::to_string(cell.dataType) + "=" + cell.value;
    return text;
  }
};

// A line breakpoint flags the first instruction of each run of the line.
TEST_F(MachineDebugging, Breakpoints) {
  EXPECT_EQ((machine->setBreakpoint(2), breakpoints()), "0100100");
  EXPECT_EQ((machine->setBreakpoint(3), machine->setBreakpoint(99), breakpoints()), "0101100");
  EXPECT_EQ((machine->clearBreakpoint(2), breakpoints()), "0001000");
  machine->setInstructionBreakpoint(2);
  machine->setInstructionBreakpoint(6);
  EXPECT_EQ((machine->clearInstructionBreakpoint(3), breakpoints()), "0010001");
  EXPECT_EQ((machine->clearBreakpoint(2), breakpoints()), "0010001");
  EXPECT_EQ((machine->clearAllBreakpoints(), breakpoints()), "0000000");
  EXPECT_EQ(failureOf([&] { machine->setInstructionBreakpoint(7); }),
            "9 [TessaglyphMachine::setInstructionBreakpoint] Subscript out of range");
  EXPECT_EQ(failureOf([&] { machine->clearInstructionBreakpoint(-1); }),
            "9 [TessaglyphMachine::clearInstructionBreakpoint] Subscript out of range");
}

// Dumps are indexed by address; the named dump skips cells without a name and counts from 0.
TEST_F(MachineDebugging, Dumps) {
  machine->setMemory(address("count"), "42");
  machine->setMemory(address("label"), "north");
  machine->setMemory(TG_M_PVI_X, "2.5");
  EXPECT_EQ(shown(machine->dumpMemory(3, 5)), "3) 3:x:4=2.5 4:y:4=0 5:index:2=0");
  // The literal 1 lies at 16, before the variables.
  EXPECT_EQ(shown(machine->dumpMemory(16)), "16) 16::1=1 17:count:2=42 18::4=0 19:label:5=north");
  EXPECT_EQ(shown(machine->dumpNamedMemory(17)), "0) 17:count:2=42 19:label:5=north");
  EXPECT_EQ(shown(machine->dumpNamedMemory(18, 18)), "0)");
  const Integer size = machine->dataMemory();
  const Integer ranges[][2] = {{5, 4}, {-1, 3}, {0, size}, {size, -1}, {0, -2}};
  for (const auto& [first, last] : ranges)
    EXPECT_EQ(failureOf([&] { machine->dumpMemory(first, last); }),
              "9 [TessaglyphMachine::dumpMemory] Subscript out of range");
}

}  // namespace
}  // namespace tg::test
