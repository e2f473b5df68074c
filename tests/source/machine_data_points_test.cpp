// The machine's data-point members against small grid scripts: a read in every mode, the time
// of the last access, a missing neighbour, the write with its refusals in order and what the
// write code is handed, the row/column read without direct grid access, and a warm read that
// makes no cells.
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

// The write code keeps what it was handed in variables the test reads back.
constexpr const char* kWriteCode =
    "dp_write:\n cast_double register\n load p_x\n store seen_x\n load p_y\n store seen_y\n"
    " load p_value\n store seen_value\n stop\n.var seen_x double\n.var seen_y double\n"
    ".var seen_value double\n";

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

// A warm read reuses the cells it hands the script ("x", "y", "return") and the record it
// fills, so repeating it takes nothing from the heap and leaves no cell behind.
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
