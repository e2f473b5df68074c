// The machine's data points: reads in every mode, the write and its refusals, warm reads.
#include <gtest/gtest.h>

#include <string>

#include "machine/datum.hpp"
#include "source/interpolation_test_support.hpp"

namespace tg {
namespace {

using test::kLatLonProperties;
using test::latLonGrid;
using test::linearSurface;

using DataPointTest = test::GridScriptTest;

TEST_F(DataPointTest, ReadsInEveryModeAndStoresTheTimeOfDay) {
  Single now = 100;
  machine = std::make_shared<TessaglyphMachine>([&] { return now; });
  loadLatLonGrid();
  // Interpolating modes reproduce the plane (MAX4 reads as 4-point).
  const struct {
    TG_M_INTERPOLATIONMODES mode;
    double expected;
  } cases[] = {{TG_M_IM_NONE, linearSurface(0.6, 1.3)},
               {TG_M_IM_4POINT, linearSurface(0.6, 1.3)},
               {TG_M_IM_MAX4, linearSurface(0.6, 1.3)}};
  for (const auto& c : cases) {
    now += 1000;
    machine->setInterpolationMode(c.mode);
    EXPECT_NEAR(machine->datapoint_read(0.6, 1.3), c.expected, 1e-4) << c.mode;
    EXPECT_EQ(machine->lastAccess(), now) << c.mode;
  }
  now += 500;
  EXPECT_EQ(machine->lastAccess(), 3100);  // the time of the read, not of the question
}

// The write code keeps what it was handed in variables the test reads back.
constexpr const char* kWriteCode =
    "dp_write:\n cast_double register\n load p_x\n store seen_x\n load p_y\n store seen_y\n"
    " load p_value\n store seen_value\n stop\n.var seen_x double\n.var seen_y double\n"
    ".var seen_value double\n";

TEST_F(DataPointTest, WriteHandsTheWriteCodeThePositionAndTheValue) {
  load(kLatLonProperties, latLonGrid(), test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(1.25, 0.75, 12.5f);
  EXPECT_EQ(variable("seen_x") + " " + variable("seen_y") + " " + variable("seen_value"),
            "1.25 0.75 12.5");
  EXPECT_EQ(machine->predefinedVariableDataTypes(TG_M_PVI_VALUE), TG_M_DT_SINGLE);
  // No data is written as the script's data-void value.
  machine->datapoint_write(1, 1, -32100);
  EXPECT_EQ(variable("seen_value"), "-32100");
  machine.reset();
  load(kLatLonProperties + std::string(".property datavoidvalue \"-32000\"\n"), latLonGrid(),
       test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(1, 1, -32100);
  EXPECT_EQ(variable("seen_value"), "-32000");
  machine->datapoint_write(1, 1, -32101);
  EXPECT_EQ(variable("seen_value"), "-32101");
}

TEST_F(DataPointTest, WriteRefusalsComeInOrderAndBeforeAnyCodeRuns) {
  // Read-only is reported before the lock.
  loadLatLonGrid();
  for (const TG_M_DATALOCK lock : {TG_M_DL_TRUE, TG_M_DL_FALSE}) {
    machine->setDataLock(lock);
    EXPECT_TRUE(test::raisesError([&] { machine->datapoint_write(1, 1, 5); }, 11009, "",
                                  "datapoint is a read-only attribute."));
  }
  load(kLatLonProperties, latLonGrid(), test::kLinearRead, kWriteCode);
  for (const TG_M_DATALOCK lock : {TG_M_DL_TRUE, TG_M_DL_USESCRIPT}) {
    machine->setDataLock(lock);
    EXPECT_TRUE(test::raisesError([&] { machine->datapoint_write(1, 1, 5); }, 11012, "",
                                  "The data-lock for this script has been activated."));
    EXPECT_EQ(variable("seen_value") + machine->predefinedVariables(TG_M_PVI_X), "00");
  }
  load(kLatLonProperties + std::string(".property datalock \"false\"\n"), latLonGrid(),
       test::kLinearRead, kWriteCode);
  machine->setDataLock(TG_M_DL_USESCRIPT);
  machine->datapoint_write(1, 1, 5);
  EXPECT_EQ(variable("seen_value"), "5");
}

// A warm read reuses its cells and record: nothing from the heap, no cell left behind.
TEST_F(DataPointTest, WarmReadsMakeNoCells) {
  loadLatLonGrid(test::kQuadraticRead);
  for (const auto mode : {TG_M_IM_NONE, TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT}) {
    machine->setInterpolationMode(mode);
    machine->datapoint_read(0.7, 0.6);
    const DatumPoolStatistics before = DatumPool::statistics();
    for (int i = 0; i < 50; ++i)
      machine->datapoint_read(0.7 + i * 0.01, 0.6);
    const DatumPoolStatistics after = DatumPool::statistics();
    EXPECT_EQ(after.cellAllocations, before.cellAllocations) << mode;
    EXPECT_EQ(after.textAllocations, before.textAllocations) << mode;
    EXPECT_EQ(after.liveCells, before.liveCells) << mode;
  }
}

}  // namespace
}  // namespace tg
