// The machine's data-point members against small grid scripts: a read in every mode, the time
// of the last access, a missing neighbour, the write with its refusals in order and what the
// write code is handed, the row/column read without direct grid access, and a warm read that
// makes no cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "source/interpolation_test_support.hpp"

namespace tg {
namespace {

using test::kLatLonProperties;
using test::latLonGrid;
using test::linearSurface;

class DataPointTest : public test::GridScriptTest {};

TEST_F(DataPointTest, ReadsInEveryMode) {
  loadLatLonGrid();
  struct Case {
    TG_M_INTERPOLATIONMODES mode;
    double expected;
  };
  // The linear surface is reproduced by every mode that interpolates; the closest point of
  // (0.6, 1.3) is (0.5, 1.5).
  for (const Case& c : std::vector<Case>{{TG_M_IM_NONE, linearSurface(0.6, 1.3)},
                                         {TG_M_IM_CLOSESTPOINT, linearSurface(0.5, 1.5)},
                                         {TG_M_IM_4POINT, linearSurface(0.6, 1.3)},
                                         {TG_M_IM_MAX4, linearSurface(0.6, 1.3)},
                                         {TG_M_IM_12POINT, linearSurface(0.6, 1.3)}}) {
    SCOPED_TRACE(c.mode);
    machine->setInterpolationMode(c.mode);
    EXPECT_EQ(machine->interpolationMode(), c.mode);
    EXPECT_NEAR(machine->datapoint_read(0.6, 1.3), c.expected, 1e-4);
  }
}

TEST_F(DataPointTest, ReadStoresTheTimeOfDay) {
  Single now = 100;
  machine = std::make_shared<TessaglyphMachine>([&] { return now; });
  loadLatLonGrid();
  now = 5000.5f;
  machine->datapoint_read(1, 1);
  now = 6000;
  EXPECT_EQ(machine->lastAccess(), 5000.5f);
}

// Read code that has no data east of x = 1.6 (and z = x + y elsewhere): one corner of a cell
// there is missing. The comparison leaves a 0/1 cell in the register, hence the casts.
TEST_F(DataPointTest, AMissingNeighbour) {
  loadLatLonGrid(R"(
dp_read:
    cast_double register
    load p_x
    greaterthan 1.6
    branch_true no_data
    cast_double register
    load p_x
    add p_y
    store p_return
    stop
no_data:
    cast_double register
    load -32100
    store p_return
    stop
)");
  EXPECT_EQ(read(TG_M_IM_4POINT, 1.55, 0.25), -32101);
  EXPECT_EQ(read(TG_M_IM_12POINT, 1.2, 0.6), -32101);  // the ring reaches x = 2
  EXPECT_NEAR(read(TG_M_IM_4POINT, 1.2, 0.6), 1.8, 1e-5);
  EXPECT_EQ(read(TG_M_IM_NONE, 1.7, 0.6), -32100);
  EXPECT_EQ(read(TG_M_IM_CLOSESTPOINT, 1.8, 0.6), -32100);
}

// The write code keeps what it was handed in variables the test reads back.
constexpr const char* kWriteCode = R"(
dp_write:
    cast_double register
    load p_x
    store seen_x
    load p_y
    store seen_y
    load p_value
    store seen_value
    stop
.var seen_x double
.var seen_y double
.var seen_value double
)";

class DataPointWriteTest : public DataPointTest {
 protected:
  std::string seen(const char* name) {
    for (Integer a = 0; a < machine->dataMemory(); ++a) {
      if (machine->variableNames(a) == name) return machine->Memory(a);
    }
    ADD_FAILURE() << "no variable " << name;
    return {};
  }
};

TEST_F(DataPointWriteTest, HandsTheWriteCodeThePositionAndTheValue) {
  load(kLatLonProperties, latLonGrid(), test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(1.25, 0.75, 12.5f);
  EXPECT_EQ(seen("seen_x"), "1.25");
  EXPECT_EQ(seen("seen_y"), "0.75");
  EXPECT_EQ(seen("seen_value"), "12.5");
  EXPECT_EQ(machine->predefinedVariableDataTypes(TG_M_PVI_VALUE), TG_M_DT_SINGLE);

  // No data is written as the script's data-void value.
  machine->datapoint_write(1, 1, -32100);
  EXPECT_EQ(seen("seen_value"), "-32100");
  // A new machine: the data-void value, once worked out, outlives Clear.
  machine.reset();
  load(kLatLonProperties + std::string(".property datavoidvalue \"-32000\"\n"), latLonGrid(),
       test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(1, 1, -32100);
  EXPECT_EQ(seen("seen_value"), "-32000");
  machine->datapoint_write(1, 1, -32101);
  EXPECT_EQ(seen("seen_value"), "-32101");
}

TEST_F(DataPointWriteTest, RefusalsComeInOrderAndBeforeAnyCodeRuns) {
  // Read-only is reported before the lock.
  loadLatLonGrid();
  EXPECT_TRUE(test::raisesError([&] { machine->datapoint_write(1, 1, 5); }, 11009, "",
                                "datapoint is a read-only attribute."));
  machine->setDataLock(TG_M_DL_FALSE);
  EXPECT_TRUE(test::raisesError([&] { machine->datapoint_write(1, 1, 5); }, 11009, "",
                                "datapoint is a read-only attribute."));

  load(kLatLonProperties, latLonGrid(), test::kLinearRead, kWriteCode);
  for (const TG_M_DATALOCK lock : {TG_M_DL_TRUE, TG_M_DL_USESCRIPT}) {
    machine->setDataLock(lock);
    EXPECT_TRUE(test::raisesError([&] { machine->datapoint_write(1, 1, 5); }, 11012, "",
                                  "The data-lock for this script has been activated."));
    EXPECT_EQ(seen("seen_value"), "0");
    EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_X), "0");
  }
  load(kLatLonProperties + std::string(".property datalock \"false\"\n"), latLonGrid(),
       test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_USESCRIPT);
  machine->datapoint_write(1, 1, 5);
  EXPECT_EQ(seen("seen_value"), "5");
}

TEST_F(DataPointTest, RowColumnReadNeedsDirectGridAccess) {
  loadLatLonGrid();
  EXPECT_EQ(machine->datapoint_read_rowcol(0, 0), nullptr);
}

// A warm read reuses the cells it hands the script ("x", "y", "return") and the record it
// fills, so repeating it takes nothing from the heap and leaves no cell behind.
TEST_F(DataPointTest, WarmReadsMakeNoCells) {
  loadLatLonGrid(test::kQuadraticRead);
  for (const TG_M_INTERPOLATIONMODES mode :
       {TG_M_IM_NONE, TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT}) {
    SCOPED_TRACE(mode);
    machine->setInterpolationMode(mode);
    machine->datapoint_read(0.7, 0.6);
    const DatumPoolStatistics before = DatumPool::statistics();
    for (int i = 0; i < 50; ++i)
      machine->datapoint_read(0.7 + i * 0.01, 0.6);
    const DatumPoolStatistics after = DatumPool::statistics();
    EXPECT_EQ(after.cellAllocations, before.cellAllocations);
    EXPECT_EQ(after.textAllocations, before.textAllocations);
    EXPECT_EQ(after.liveCells, before.liveCells);
  }
}

}  // namespace
}  // namespace tg
