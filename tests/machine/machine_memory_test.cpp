// The machine's memory as the host sees it: stores, address checks and data-type changes.
#include <gtest/gtest.h>

#include <string>

#include "machine/machine_test_support.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {
namespace {

using test::failureOf;

TEST(MachineMemory, StoresConvertAndAddressesAreChecked) {
  TessaglyphMachine machine;
  EXPECT_GIVES((machine.setMemory(1, "12"), MachineAccess::cell(machine, 1)), "L:12");
  EXPECT_GIVES((machine.setMemory(15, "TITLE"), machine.predefinedVariables(15)), "TITLE");
  EXPECT_EQ(failureOf([&] { machine.setMemory(3, "abc"); }), "13 [] Type mismatch");
  EXPECT_EQ(failureOf([&] { machine.Memory(16); }),
            "9 [TessaglyphMachine::Memory Get] Subscript out of range");
  MachineAccess::setMemorySize(machine, 17);  // address 16 exists, yet is no predefined variable
  EXPECT_EQ(machine.predefinedVariableDataTypes(0), TG_M_DT_INTEGER2);
  for (const Integer variable : {Integer(16), Integer(-1)}) {
    EXPECT_EQ(failureOf([&] { machine.setPredefinedVariables(variable, "1"); }),
              "12002 [TessaglyphMachine::predefinedVariables Let] " + std::to_string(variable) +
                  " is not a recognized pre-defined variable number.");
  }
}

// Fixed-type predefined variables keep their type; a change makes a new cell with the value.
TEST(MachineMemory, DataTypeChanges) {
  const struct {
    Integer address;
    const char* locked;  // the name in the refusal, or nullptr when the change is allowed
  } rows[] = {{0, nullptr}, {1, "offset"}, {8, nullptr}, {14, "tip"}, {15, nullptr}};
  for (const auto& row : rows) {
    TessaglyphMachine machine;
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
  EXPECT_EQ(failureOf([&] { machine.setRegisterDataType(TG_M_DATATYPES(-1)); }),
            "11002 [TessaglyphMachine::registerDataType Let] -1 is not a valid data type.");
}

}  // namespace
}  // namespace tg
