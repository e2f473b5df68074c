#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {
namespace {

using test::cellAt;
using test::raisesError;

TEST(MachineMemoryTest, MemoryLetConvertsTheTextIntoTheCellsOwnType) {
  TessaglyphMachine machine;
  machine.setMemory(1, "12");
  EXPECT_EQ(machine.memoryDataType(1), TG_M_DT_INTEGER4);
  EXPECT_EQ(cellAt(machine, 1).getLong(), 12);
  machine.setRegister("2.5");  // a two-byte integer rounds half to even
  EXPECT_EQ(machine.register_(), "2");
  machine.setPredefinedVariables(11, "A.DAT");
  EXPECT_EQ(machine.Memory(11), "A.DAT");

  EXPECT_TRUE(raisesError([&] { machine.setMemory(3, "abc"); }, 13, "", "Type mismatch"));
  EXPECT_EQ(machine.Memory(3), "0");
}

TEST(MachineMemoryTest, AddressesOutsideMemoryAreRefused) {
  TessaglyphMachine machine;
  const char* range = "Subscript out of range";
  EXPECT_TRUE(raisesError([&] { machine.Memory(16); }, 9, "TessaglyphMachine::Memory Get", range));
  EXPECT_TRUE(
      raisesError([&] { machine.setMemory(-1, "1"); }, 9, "TessaglyphMachine::Memory Let", range));
  EXPECT_TRUE(raisesError([&] { machine.memoryDataType(16); }, 9,
                          "TessaglyphMachine::memoryDataType Get", range));
  EXPECT_TRUE(raisesError([&] { machine.variableNames(16); }, 9,
                          "TessaglyphMachine::variableNames Get", range));
}

TEST(MachineMemoryTest, PredefinedVariablesAreNumberedZeroToFifteen) {
  TessaglyphMachine machine;
  machine.setMemory(15, "TITLE");
  EXPECT_EQ(machine.predefinedVariables(15), "TITLE");
  EXPECT_EQ(machine.predefinedVariableDataTypes(0), TG_M_DT_INTEGER2);
  MachineAccess::setMemorySize(machine, 17);  // address 16 exists, yet is no predefined variable
  for (const Integer variable : {Integer(16), Integer(-1)}) {
    const std::string text =
        std::to_string(variable) + " is not a recognized pre-defined variable number.";
    const std::string prefix = "TessaglyphMachine::";
    EXPECT_TRUE(raisesError([&] { machine.predefinedVariables(variable); }, 12002,
                            prefix + "predefinedVariables Get", text));
    EXPECT_TRUE(raisesError([&] { machine.setPredefinedVariables(variable, "1"); }, 12002,
                            prefix + "predefinedVariables Let", text));
    EXPECT_TRUE(raisesError([&] { machine.predefinedVariableDataTypes(variable); }, 12002,
                            prefix + "predefinedVariableDataTypes Get", text));
    EXPECT_TRUE(
        raisesError([&] { machine.setPredefinedVariableDataTypes(variable, TG_M_DT_DOUBLE); },
                    12002, prefix + "predefinedVariableDataTypes Let", text));
  }
}

struct TypeChangeCase {
  Integer address;
  const char* name;
  bool allowed;
};

class MachineDataTypeTest : public ::testing::TestWithParam<TypeChangeCase> {};

TEST_P(MachineDataTypeTest, OnlyTheFixedTypePredefinedVariablesKeepTheirType) {
  const auto& c = GetParam();
  TessaglyphMachine machine;
  MachineAccess::setMemorySize(machine, 17);
  machine.setMemory(c.address, "7");
  if (c.allowed) {
    machine.setMemoryDataType(c.address, TG_M_DT_SINGLE);
    EXPECT_EQ(machine.memoryDataType(c.address), TG_M_DT_SINGLE);
    EXPECT_EQ(machine.Memory(c.address), "7");
  } else {
    EXPECT_TRUE(raisesError([&] { machine.setMemoryDataType(c.address, TG_M_DT_SINGLE); }, 11001,
                            "TessaglyphMachine::memoryDataType Let",
                            std::string("You cannot change the data type of ") + c.name + "."));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, MachineDataTypeTest,
    ::testing::Values(TypeChangeCase{0, "register", true}, TypeChangeCase{1, "offset", false},
                      TypeChangeCase{3, "x", true}, TypeChangeCase{5, "index", false},
                      TypeChangeCase{8, "value", true}, TypeChangeCase{9, "filesize", false},
                      TypeChangeCase{10, "path", false}, TypeChangeCase{14, "tip", false},
                      TypeChangeCase{15, "filetitle", true}, TypeChangeCase{16, "", true}),
    [](const auto& info) { return "address" + std::to_string(info.param.address); });

TEST(MachineMemoryTest, ADataTypeChangeMakesANewCellThatKeepsTheValue) {
  TessaglyphMachine machine;
  machine.setMemory(3, "2.5");
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  machine.setMemoryDataType(3, TG_M_DT_INTEGER2);
  EXPECT_EQ(machine.Memory(3), "2");
  // The stack still holds the old cell: the address has a cell of its own now.
  EXPECT_EQ(MachineAccess::top(machine)->getDouble(), 2.5);
  machine.setRegisterDataType(TG_M_DT_ASCII);
  EXPECT_TRUE(cellAt(machine, 0).isVariableLength());
  EXPECT_EQ(machine.register_(), "0");

  for (const auto bad : {TG_M_DATATYPES(6), TG_M_DATATYPES(-1)}) {
    EXPECT_TRUE(raisesError([&] { machine.setRegisterDataType(bad); }, 11002,
                            "TessaglyphMachine::registerDataType Let",
                            std::to_string(bad) + " is not a valid data type."));
  }
  // A text that is no number cannot become one; the old cell stays.
  machine.setMemory(15, "abc");
  EXPECT_TRUE(
      raisesError([&] { machine.setMemoryDataType(15, TG_M_DT_DOUBLE); }, 13, "", "Type mismatch"));
  EXPECT_EQ(machine.memoryDataType(15), TG_M_DT_ASCII);
}

// Slot counts while sixty cells are pushed and popped again.
TEST(MachineStackTest, GrowsByTwentyFiveAndShrinksWhenMoreThanTwentyFiveSlotsAreFree) {
  TessaglyphMachine machine;
  EXPECT_EQ(MachineAccess::stackSlots(machine), 0);
  std::vector<Long> afterPush;
  for (int i = 0; i < 60; ++i) {
    MachineAccess::push(machine, MachineAccess::cell(machine, Integer(i % 16)));
    afterPush.push_back(MachineAccess::stackSlots(machine));
  }
  EXPECT_EQ(afterPush[0], 26);
  EXPECT_EQ(afterPush[25], 26);
  EXPECT_EQ(afterPush[26], 51);
  EXPECT_EQ(afterPush[51], 76);
  EXPECT_EQ(afterPush[59], 76);
  const std::size_t capacity = MachineAccess::stackCapacity(machine);

  std::vector<Long> afterPop;
  for (int i = 0; i < 60; ++i) {
    MachineAccess::pop(machine);
    afterPop.push_back(MachineAccess::stackSlots(machine));
  }
  EXPECT_EQ(afterPop[8], 76);   // 51 in use, 25 free
  EXPECT_EQ(afterPop[9], 50);   // 26 free: cut down to the top
  EXPECT_EQ(afterPop[34], 50);  // 25 in use, 25 free
  EXPECT_EQ(afterPop[35], 24);
  EXPECT_EQ(afterPop[58], 24);
  EXPECT_EQ(afterPop[59], 26);  // empty again: a fresh stack
  EXPECT_TRUE(MachineAccess::stackEmpty(machine));

  // A second round reuses the storage.
  for (int i = 0; i < 60; ++i)
    MachineAccess::push(machine, MachineAccess::cell(machine, 0));
  EXPECT_EQ(MachineAccess::stackSlots(machine), 76);
  EXPECT_EQ(MachineAccess::stackCapacity(machine), capacity);
}

TEST(MachineStackTest, HoldsTheCellsThemselves) {
  TessaglyphMachine machine;
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  machine.setMemory(3, "4.25");
  const DatumRef popped = MachineAccess::pop(machine);
  EXPECT_EQ(popped, MachineAccess::cell(machine, 3));
  EXPECT_EQ(popped->getDouble(), 4.25);
  // Popping gave the stack's reference away; memory and `popped` are the only holders.
  EXPECT_EQ(popped.useCount(), 2u);
}

}  // namespace
}  // namespace tg
