// The machine's memory as the host sees it: stores convert into the cell's type, addresses and
// predefined-variable numbers are checked, data-type changes, and the stack of cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {
namespace {

using test::failureOf;

TEST(MachineMemory, StoresConvertTheTextIntoTheCellsOwnType) {
  TessaglyphMachine machine;
  EXPECT_GIVES((machine.setMemory(1, "12"), MachineAccess::cell(machine, 1)), "L:12");
  EXPECT_GIVES((machine.setRegister("2.5"), machine.register_()), "2");  // half to even
  EXPECT_GIVES((machine.setPredefinedVariables(11, "A.DAT"), machine.Memory(11)), "A.DAT");
  EXPECT_GIVES((machine.setMemory(15, "TITLE"), machine.predefinedVariables(15)), "TITLE");
  EXPECT_EQ(failureOf([&] { machine.setMemory(3, "abc"); }), "13 [] Type mismatch");
  EXPECT_EQ(machine.Memory(3), "0");
}

TEST(MachineMemory, AddressesAndPredefinedVariableNumbersOutsideTheirRangeAreRefused) {
  TessaglyphMachine machine;
  const std::string range = "] Subscript out of range";
  EXPECT_EQ(failureOf([&] { machine.Memory(16); }), "9 [TessaglyphMachine::Memory Get" + range);
  EXPECT_EQ(failureOf([&] { machine.setMemory(-1, "1"); }),
            "9 [TessaglyphMachine::Memory Let" + range);
  EXPECT_EQ(failureOf([&] { machine.memoryDataType(16); }),
            "9 [TessaglyphMachine::memoryDataType Get" + range);
  EXPECT_EQ(failureOf([&] { machine.variableNames(16); }),
            "9 [TessaglyphMachine::variableNames Get" + range);
  MachineAccess::setMemorySize(machine, 17);  // address 16 exists, yet is no predefined variable
  EXPECT_EQ(machine.predefinedVariableDataTypes(0), TG_M_DT_INTEGER2);
  for (const Integer variable : {Integer(16), Integer(-1)}) {
    const std::string text =
        "] " + std::to_string(variable) + " is not a recognized pre-defined variable number.";
    const std::string prefix = "12002 [TessaglyphMachine::predefinedVariable";
    EXPECT_EQ(failureOf([&] { machine.predefinedVariables(variable); }), prefix + "s Get" + text);
    EXPECT_EQ(failureOf([&] { machine.setPredefinedVariables(variable, "1"); }),
              prefix + "s Let" + text);
    EXPECT_EQ(failureOf([&] { machine.predefinedVariableDataTypes(variable); }),
              prefix + "DataTypes Get" + text);
    EXPECT_EQ(failureOf([&] { machine.setPredefinedVariableDataTypes(variable, TG_M_DT_DOUBLE); }),
              prefix + "DataTypes Let" + text);
  }
}

// Only the fixed-type predefined variables keep their type; a change makes a new cell that keeps
// the value (the stack still holds the old one).
TEST(MachineMemory, DataTypeChanges) {
  const struct {
    Integer address;
    const char* locked;  // the name in the refusal, or nullptr when the change is allowed
  } rows[] = {{0, nullptr},    {1, "offset"}, {3, nullptr}, {5, "index"},  {8, nullptr},
              {9, "filesize"}, {10, "path"},  {14, "tip"},  {15, nullptr}, {16, nullptr}};
  for (const auto& row : rows) {
    TessaglyphMachine machine;
    MachineAccess::setMemorySize(machine, 17);
    machine.setMemory(row.address, "7");
    const std::string failure =
        failureOf([&] { machine.setMemoryDataType(row.address, TG_M_DT_SINGLE); });
    EXPECT_EQ(failure == "none" ? test::show(MachineAccess::cell(machine, row.address)) : failure,
              row.locked ? std::string("11001 [TessaglyphMachine::memoryDataType Let] You cannot "
                                       "change the data type of ") +
                               row.locked + "."
                         : "S:7");
  }
  TessaglyphMachine machine;
  machine.setMemory(3, "2.5");
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  EXPECT_GIVES((machine.setMemoryDataType(3, TG_M_DT_INTEGER2), MachineAccess::cell(machine, 3)),
               "I:2");
  EXPECT_GIVES(MachineAccess::top(machine), "D:2.5");
  EXPECT_GIVES((machine.setRegisterDataType(TG_M_DT_ASCII), MachineAccess::cell(machine, 0)),
               "T:0");
  EXPECT_TRUE(test::cellAt(machine, 0).isVariableLength());
  for (const auto bad : {TG_M_DATATYPES(6), TG_M_DATATYPES(-1)}) {
    EXPECT_EQ(failureOf([&] { machine.setRegisterDataType(bad); }),
              "11002 [TessaglyphMachine::registerDataType Let] " + std::to_string(bad) +
                  " is not a valid data type.");
  }
  // A text that is no number cannot become one; the old cell stays.
  machine.setMemory(15, "abc");
  EXPECT_EQ(failureOf([&] { machine.setMemoryDataType(15, TG_M_DT_DOUBLE); }),
            "13 [] Type mismatch");
  EXPECT_GIVES(MachineAccess::cell(machine, 15), "T:abc");
}

// The stack holds the cells themselves; its slots grow by 25 and shrink when more than 25 are
// free. Slot counts after each of sixty pushes and sixty pops:
TEST(MachineMemory, Stack) {
  TessaglyphMachine machine;
  EXPECT_EQ(MachineAccess::stackSlots(machine), 0);
  std::string slots;
  std::size_t capacity[2] = {};
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 60; ++i) {
      MachineAccess::push(machine, MachineAccess::cell(machine, Integer(i % 16)));
      if (i % 25 < 2 || i == 59) slots += std::to_string(MachineAccess::stackSlots(machine)) + " ";
    }
    capacity[round] = MachineAccess::stackCapacity(machine);
    for (int i = 0; i < 60; ++i) {
      MachineAccess::pop(machine);
      if (i == 8 || i == 9 || i == 34 || i == 35 || i == 59)
        slots += std::to_string(MachineAccess::stackSlots(machine)) + " ";
    }
    slots += test::show(MachineAccess::stackEmpty(machine)) + " ";
  }
  const std::string round = "26 26 26 51 51 76 76 76 50 50 24 26 true ";
  EXPECT_EQ(slots, round + round);
  EXPECT_EQ(capacity[0], capacity[1]);  // the second round reuses the storage
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  machine.setMemory(3, "4.25");
  const DatumRef popped = MachineAccess::pop(machine);
  EXPECT_EQ(popped, MachineAccess::cell(machine, 3));
  EXPECT_GIVES(popped, "D:4.25");
  EXPECT_EQ(popped.useCount(), 2u);  // the stack gave its reference away
}

}  // namespace
}  // namespace tg
