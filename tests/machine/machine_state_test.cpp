#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

#include "machine/machine_test_support.hpp"
#include "support/file_layer.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/method_counter.hpp"

namespace tg {
namespace {

using test::cellAt;

struct PredefinedCell {
  const char* name;
  TG_M_DATATYPES type;
};

constexpr std::array<PredefinedCell, 16> kPredefined = {{
    {"register", TG_M_DT_INTEGER2},
    {"offset", TG_M_DT_INTEGER4},
    {"return", TG_M_DT_INTEGER2},
    {"x", TG_M_DT_DOUBLE},
    {"y", TG_M_DT_DOUBLE},
    {"index", TG_M_DT_INTEGER4},
    {"row", TG_M_DT_INTEGER4},
    {"col", TG_M_DT_INTEGER4},
    {"value", TG_M_DT_DOUBLE},
    {"filesize", TG_M_DT_INTEGER4},
    {"path", TG_M_DT_ASCII},
    {"filename", TG_M_DT_ASCII},
    {"extension", TG_M_DT_ASCII},
    {"progress", TG_M_DT_ASCII},
    {"tip", TG_M_DT_ASCII},
    {"filetitle", TG_M_DT_ASCII},
}};

void expectEmpty(TessaglyphMachine& machine) {
  ASSERT_EQ(machine.dataMemory(), 16);
  for (Integer a = 0; a < 16; ++a) {
    SCOPED_TRACE(a);
    EXPECT_EQ(machine.variableNames(a), kPredefined[std::size_t(a)].name);
    EXPECT_EQ(machine.memoryDataType(a), kPredefined[std::size_t(a)].type);
    EXPECT_EQ(machine.Memory(a), a >= 10 ? "" : "0");
    if (a >= 10) {
      EXPECT_TRUE(cellAt(machine, a).isVariableLength());
    }
  }
  for (Integer slot = 0; slot <= TG_M_RAI_VALID_MAX; ++slot) {
    EXPECT_EQ(machine.routineLocations(TG_M_ROUTINEARRAYINDICIES(slot)), -1) << slot;
  }
  EXPECT_EQ(machine.numInstructions(), 0);
  EXPECT_EQ(machine.numProperties(), 0);
  EXPECT_EQ(machine.numAttributes(), 0);
  EXPECT_EQ(machine.numOpenFiles(), 0);
  EXPECT_TRUE(MachineAccess::stackEmpty(machine));
  EXPECT_EQ(machine.mexFile(), -1);
  EXPECT_TRUE(machine.break_());
  EXPECT_TRUE(machine.errorEventEnabled());
  EXPECT_FALSE(machine.enableDebug());
  EXPECT_EQ(machine.runMethod(), TG_M_RM_CONTINUOUS);
  EXPECT_EQ(machine.applyRunMethod(), TG_M_ARM_ALWAYS);
}

TEST(MachineStateTest, ANewMachineHoldsOnlyThePredefinedCells) {
  TessaglyphMachine machine;
  expectEmpty(machine);
  EXPECT_EQ(machine.dataLock(), TG_M_DL_TRUE);
  EXPECT_EQ(machine.messageBoxMode(), TG_M_MBM_NORMAL);
  EXPECT_EQ(machine.inputBoxMode(), TG_M_IBM_NORMAL);
}

class MachineClearTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;

  std::string makeFile(const std::string& name) {
    const std::string path = folder.folder() + name;
    std::ofstream(path, std::ios::binary) << "data";
    return path;
  }
};

TEST_F(MachineClearTest, ResetsTheProgramAndRunStateButKeepsTheHostsSettings) {
  TessaglyphMachine machine;
  machine.setDataLock(TG_M_DL_FALSE);
  machine.setMessageBoxMode(TG_M_MBM_EVENT);
  machine.setInputBoxMode(TG_M_IBM_IGNORE);
  machine.setDatavoidValue(-5.5f);
  machine.setBreak(false);
  machine.setErrorEventEnabled(false);
  machine.setEnableDebug(true);
  machine.setRunMethod(TG_M_RM_STEP);
  machine.setApplyRunMethod(TG_M_ARM_AFTERERROR);
  MachineAccess::setMemorySize(machine, 20);
  MachineAccess::setInstructionCount(machine, 3);
  MachineAccess::setPropertyCount(machine, 1);
  MachineAccess::setAttributeCount(machine, 1);
  MachineAccess::setRoutineLocation(machine, TG_M_RAI_INIT, 2);
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  machine.setPredefinedVariableDataTypes(3, TG_M_DT_ASCII);
  const Integer handle = openFile(makeFile("script.dat"), FileOpenMode::ReadOnly);
  MachineAccess::addOpenFile(machine, "SCRIPT.DAT", handle);

  machine.Clear();

  expectEmpty(machine);
  EXPECT_FALSE(isOpenFile(handle));
  EXPECT_EQ(machine.dataLock(), TG_M_DL_FALSE);
  EXPECT_EQ(machine.messageBoxMode(), TG_M_MBM_EVENT);
  EXPECT_EQ(machine.inputBoxMode(), TG_M_IBM_IGNORE);
  EXPECT_EQ(machine.datavoidValue(), -5.5f);
}

TEST_F(MachineClearTest, DestructionClosesOnlyTheFilesOfItsOwnScript) {
  const Integer own = openFile(makeFile("own.dat"), FileOpenMode::ReadOnly);
  const Integer other = openFile(makeFile("other.dat"), FileOpenMode::ReadOnly);
  {
    TessaglyphMachine machine;
    MachineAccess::addOpenFile(machine, "OWN.DAT", own);
  }
  EXPECT_FALSE(isOpenFile(own));
  EXPECT_TRUE(isOpenFile(other));
  closeFile(other);
}

TEST(MachineAccessCountersTest, LastAccessMovesBackADayOnceMidnightHasPassed) {
  Single now = 86000.0f;
  TessaglyphMachine machine([&now] { return now; });
  EXPECT_EQ(machine.accessCount(), 0);
  EXPECT_EQ(machine.lastAccess(), 86000.0f);
  now = 100.0f;  // just after midnight
  EXPECT_EQ(machine.lastAccess(), -400.0f);
  EXPECT_EQ(machine.lastAccess(), -400.0f);  // moved once, not on every read
  machine.resetAccessData();
  EXPECT_EQ(machine.lastAccess(), 100.0f);
}

TEST(MachineProfilerTest, TimesMembersOnlyWhileAProfilerIsAssigned) {
  TessaglyphMachine machine;
  machine.Memory(0);
  auto profiler = std::make_shared<MethodCounter>();
  machine.setMethodProfiler(profiler);
  machine.Memory(0);
  machine.Memory(1);
  machine.selfValidating();  // reads its property through getPropertyValue
  machine.setMethodProfiler(nullptr);
  machine.Memory(0);

  const Long memory = profiler->methodIndex("TessaglyphMachine::Memory Get");
  ASSERT_GE(memory, 0);
  EXPECT_EQ(profiler->methodCallCount(Integer(memory)), 2);
  const Long self = profiler->methodIndex("TessaglyphMachine::selfValidating Get");
  ASSERT_GE(self, 0);
  EXPECT_GE(profiler->methodToCCount(Integer(self)), 1);
  EXPECT_GE(profiler->methodIndex("TessaglyphMachine::getPropertyValue"), 0);
}

}  // namespace
}  // namespace tg
