// The machine's state: what a new machine holds, what Clear resets and keeps, its open files.
#include <gtest/gtest.h>

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

// Every cell as name:kind=value, then the counts, the routine slots and the run settings.
std::string stateOf(TessaglyphMachine& machine) {
  std::string state;
  for (Integer a = 0; a < machine.dataMemory(); ++a) {
    state += machine.variableNames(a) + ":" + test::show(MachineAccess::cell(machine, a)) + " ";
  }
  for (Integer slot = 0; slot <= TG_M_RAI_VALID_MAX; ++slot)
    state += std::to_string(machine.routineLocations(TG_M_ROUTINEARRAYINDICIES(slot)));
  return state + " " + std::to_string(machine.numInstructions()) +
         std::to_string(machine.numProperties()) + std::to_string(machine.numAttributes()) +
         std::to_string(machine.numOpenFiles()) + test::show(MachineAccess::stackEmpty(machine)) +
         std::to_string(machine.mexFile()) + test::show(machine.break_()) +
         test::show(machine.errorEventEnabled()) + test::show(machine.enableDebug()) +
         std::to_string(machine.runMethod()) + std::to_string(machine.applyRunMethod());
}

const std::string kEmpty =
    "register:I:0 offset:L:0 return:I:0 x:D:0 y:D:0 index:L:0 row:L:0 col:L:0 value:D:0 "
    "filesize:L:0 path:T: filename:T: extension:T: progress:T: tip:T: filetitle:T: "
    "-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1 0000true-1truetruefalse00";

class MachineState : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  Integer openNew(const std::string& name) {
    std::ofstream(folder.folder() + name, std::ios::binary) << "data";
    return openFile(folder.folder() + name, FileOpenMode::ReadOnly);
  }
};

// Clear resets the program and the run state, and keeps the host's settings.
TEST_F(MachineState, NewAndClearedMachinesHoldOnlyThePredefinedCells) {
  TessaglyphMachine machine;
  EXPECT_EQ(stateOf(machine), kEmpty);
  EXPECT_EQ(machine.dataLock(), TG_M_DL_TRUE);
  machine.setDataLock(TG_M_DL_FALSE);
  machine.setDatavoidValue(-5.5f);
  machine.setBreak(false);
  machine.setErrorEventEnabled(false);
  machine.setEnableDebug(true);
  machine.setRunMethod(TG_M_RM_STEP);
  MachineAccess::setMemorySize(machine, 20);
  MachineAccess::setInstructionCount(machine, 3);
  MachineAccess::setRoutineLocation(machine, TG_M_RAI_INIT, 2);
  MachineAccess::push(machine, MachineAccess::cell(machine, 3));
  machine.setPredefinedVariableDataTypes(3, TG_M_DT_ASCII);
  const Integer handle = openNew("script.dat");
  MachineAccess::addOpenFile(machine, "SCRIPT.DAT", handle);
  machine.Clear();
  EXPECT_EQ(stateOf(machine), kEmpty);
  EXPECT_FALSE(isOpenFile(handle));
  EXPECT_EQ(machine.dataLock(), TG_M_DL_FALSE);
  EXPECT_EQ(machine.datavoidValue(), -5.5f);
}

TEST_F(MachineState, DestructionClosesOnlyTheFilesOfItsOwnScript) {
  const Integer own = openNew("own.dat");
  const Integer other = openNew("other.dat");
  {
    TessaglyphMachine machine;
    MachineAccess::addOpenFile(machine, "OWN.DAT", own);
  }
  EXPECT_FALSE(isOpenFile(own));
  EXPECT_TRUE(isOpenFile(other));
  closeFile(other);
}

TEST_F(MachineState, LastAccessMovesBackADayOnceMidnightHasPassed) {
  Single now = 86000.0f;
  TessaglyphMachine machine([&now] { return now; });
  now = 100.0f;  // just after midnight
  EXPECT_EQ(machine.lastAccess(), -400.0f);
  now = 86100.0f;
  EXPECT_EQ(machine.lastAccess(), -400.0f);  // moved once, and the move stays
}

}  // namespace
}  // namespace tg
