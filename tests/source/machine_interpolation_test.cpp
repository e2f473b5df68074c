// Point interpolation: capabilities, the manual grid, gathering, point routines, combining.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "source/interpolation_test_support.hpp"
#include "source/point_interpolation.hpp"
#include "tessaglyph/mex.hpp"

namespace tg {
namespace {

using test::AttributeValues;
using test::kLatLonProperties;
using test::latLonGrid;
using test::linearSurface;
using test::quadraticSurface;

constexpr const char* kGatherSource = "TessaglyphMachine::getInterpolationData";
constexpr const char* kCapabilitySource = "TessaglyphMachine::checkInterpolationCapabilities";
constexpr const char* kUtm = ".property gridtype \"utm\"\n.property boundsmode \"utmbounding\"\n";

// The lat/lon grid with one attribute's literal replaced (or dropped, for an empty literal).
AttributeValues gridWith(const std::string& name, const std::string& literal) {
  AttributeValues grid = latLonGrid();
  for (auto& attribute : grid)
    if (attribute.first == name) attribute.second = literal;
  std::erase_if(grid, [](const auto& a) { return a.second.empty(); });
  return grid;
}

// A UTM grid in zone 14 from 4000000 to 4002000 north and `west` to 502000 east.
AttributeValues utmGrid(const char* west, const char* xres, const char* yres) {
  return {{"left_utm", west},     {"right_utm", "502000"},
          {"top_utm", "4002000"}, {"bottom_utm", "4000000"},
          {"utmzone", "14"},      {"xres", xres},
          {"yres", yres}};
}

// Read code whose every point is `literal`.
std::string readReturning(const std::string& literal) {
  return "dp_read:\n cast_double register\n load " + literal + "\n store p_return\n stop\n";
}

using InterpolationTest = test::GridScriptTest;

TEST_F(InterpolationTest, CapabilityRules) {
  const AttributeValues utm = utmGrid("500000", "500", "500");
  const AttributeValues noYres(utm.begin(), utm.end() - 1);
  const std::string utmGrid = ".property gridtype \"utm\"\n", bounds = ".property boundsmode ";
  const std::string flags =
      ".property interp_closestpoint \"yes\"\n.property interp_4point \"0\"\n"
      ".property interp_12point \" -1 \"\n";
  const std::string allFlags =
      ".property interp_closestpoint \"True\"\n.property interp_4point \"2\"\n"
      ".property interp_12point \"true\"\n";
  const struct {
    std::string properties;
    AttributeValues attributes;
    bool closest, four, twelve, manual;
  } cases[] = {
      {kLatLonProperties, latLonGrid(), false, false, false, true},
      {kUtm, utm, false, false, false, true},
      {kUtm + std::string(".property interp_4point \"TRUE\"\n"), noYres, false, true, false, false},
      {bounds + "\"utmbounding\"\n", utm, false, false, false, false},
      {utmGrid + bounds + "\"latlonbounding\"\n", latLonGrid(), false, false, false, false},
      {flags, {}, false, false, true, false},
      {allFlags.substr(0, allFlags.find(".property interp_12point")), {}, true, true, false, false},
      {allFlags, {}, true, true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.properties);
    load(c.properties, c.attributes);
    EXPECT_EQ(machine->scriptClosestPointCapable(), c.closest);
    EXPECT_EQ(machine->script4PointCapable(), c.four);
    EXPECT_EQ(machine->script12PointCapable(), c.twelve);
    EXPECT_EQ(machine->scriptFullyInterpCapable(), c.closest && c.four && c.twelve);
    EXPECT_EQ(machine->scriptManualInterpCapable(), std::optional<Boolean>(c.manual));
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_CLOSESTPOINT), c.closest || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_4POINT), c.four || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_MAX4), c.four || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_12POINT), c.twelve || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_INTERPOLATIONMODES(4)), c.manual);
  }
}

TEST_F(InterpolationTest, ManualSettingsComeFromTheAttributes) {
  loadLatLonGrid();
  EXPECT_EQ(machine->manualInterpolationSpecs(),
            (TG_M_MANUALINTERPSETTINGS{TG_M_BM_LATLON, 2, 0, 2, 0, 0.5, 0.5}));
  load(kUtm, utmGrid("500000.5", "250", "125"));
  EXPECT_EQ(
      machine->manualInterpolationSpecs(),
      (TG_M_MANUALINTERPSETTINGS{TG_M_BM_UTM, 502000, 500000.5, 4002000, 4000000, 250, 125, 14}));
  load(".property boundsmode \"4point\"\n", latLonGrid());
  EXPECT_TRUE(
      test::raisesError([&] { machine->manualInterpolationSpecs(); }, 11013,
                        "TessaglyphMachine::manualInterplationSpecs Get",
                        "Script incapable of providing manual interpolation specifications"));
}

// An unusable geometry still reads without interpolation; the modes that need it fail.
TEST_F(InterpolationTest, AnUnusableGeometryFailsOnlyWhereItIsNeeded) {
  const struct {
    const char *attribute, *literal;
    std::int32_t number;
    const char *source, *description;
  } cases[] = {
      {"xres", "", 11010, kCapabilitySource,
       "The xres attribute must be defined when the \"boundsmode\" property is \"latlonbounding\""},
      {"top_lat", "\"north\"", 13, kCapabilitySource, "Type mismatch"},
      {"yres", "0", 11, kGatherSource, "Division by zero"},
      {"xres", "0", 11, kGatherSource, "Division by zero"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attribute + std::string(" ") + c.literal);
    load(kLatLonProperties, gridWith(c.attribute, c.literal));
    EXPECT_FLOAT_EQ(read(TG_M_IM_NONE, 0.25, 0.5), linearSurface(0.25, 0.5));
    for (const auto mode : {TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT})
      EXPECT_TRUE(
          test::raisesError([&] { read(mode, 0.25, 0.5); }, c.number, c.source, c.description));
  }
}

// (x - west) / xres: 2.5 -> 2, 3.5 -> 4, 0.5 -> 0, 1.5 -> 2; below a half down, above up.
TEST_F(InterpolationTest, ClosestPointRoundsHalvesToEven) {
  loadLatLonGrid();
  const struct {
    double x, y, gridX, gridY;
  } cases[] = {{1.25, 1.75, 1.0, 2.0}, {0.25, 0.75, 0.0, 1.0},  {0.3, 0.7, 0.5, 0.5},
               {1.24, 0.26, 1.0, 0.5}, {-0.25, 2.25, 0.0, 2.0}, {5.0, -1.0, 5.0, -1.0}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(read(TG_M_IM_CLOSESTPOINT, c.x, c.y), linearSurface(c.gridX, c.gridY)) << c.x;
    const TG_M_INTERPDATA data = machine->lastInterpData();
    EXPECT_EQ(std::tie(data.numPoints, data.targetX, data.targetY, data.x[0], data.y[0]),
              std::make_tuple(Integer(1), c.x, c.y, c.gridX, c.gridY));
  }
}

TEST_F(InterpolationTest, TwelvePointReproducesAQuadraticSurfaceAndGathersTheRing) {
  loadLatLonGrid(test::kQuadraticRead);
  for (const auto& [x, y] : {std::pair{0.7, 0.6}, {1.2, 1.4}, {0.5, 0.5}, {1.01, 0.99}})
    EXPECT_NEAR(read(TG_M_IM_12POINT, x, y), quadraticSurface(x, y), 1e-4) << x << ", " << y;
  read(TG_M_IM_12POINT, 0.7, 0.6);
  const TG_M_INTERPDATA data = machine->lastInterpData();
  ASSERT_EQ(data.numPoints, 12);
  const int offsets[12][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1},  {-1, 1}, {0, 2},
                              {1, 2}, {2, 1}, {2, 0}, {1, -1}, {0, -1}, {-1, 0}};
  for (std::size_t i = 0; i < 12; ++i) {
    const double x = 0.5 + offsets[i][0] * 0.5, y = 0.5 + offsets[i][1] * 0.5;
    EXPECT_EQ(std::tie(data.x[i], data.y[i]), std::tie(x, y)) << i;
    EXPECT_FLOAT_EQ(data.z[i], quadraticSurface(x, y)) << i;
  }
  // Next to the west edge the ring's west points are outside.
  EXPECT_EQ(read(TG_M_IM_12POINT, 0.2, 1.2), -32101);
  const TG_M_INTERPDATA edge = machine->lastInterpData();
  EXPECT_EQ(std::tie(edge.z[4], edge.z[11]), std::make_tuple(-32100.0f, -32100.0f));
  EXPECT_EQ(std::count(edge.z.begin(), edge.z.end(), -32100.0f), 2);
}

// Every point holds the same value, so interpolation gives it back unless it is beyond 30000.
TEST_F(InterpolationTest, CombinedValuesBeyondThirtyThousandAreNoData) {
  const struct {
    const char* literal;
    float combined;
  } cases[] = {
      {"30000.5", -32100}, {"-30000.5", -32100},  {"30000", 30000},
      {"-30000", -30000},  {"29999.5", 29999.5f},
  };
  for (const auto& c : cases) {
    loadLatLonGrid(readReturning(c.literal));
    EXPECT_EQ(read(TG_M_IM_4POINT, 1.2, 1.2), c.combined) << c.literal;
    EXPECT_EQ(read(TG_M_IM_12POINT, 1.2, 1.2), c.combined) << c.literal;
    EXPECT_EQ(read(TG_M_IM_NONE, 1.2, 1.2), std::stof(c.literal)) << c.literal;  // as it is
  }
}

TEST(CombineInterpolationData, ByModeAndMissingPoints) {
  TG_M_INTERPDATA data;  // f = 10x + 20y on the unit cell
  data.targetX = 0.25;
  data.targetY = 0.5;
  data.numPoints = 4;
  data.x = {1, 0, 0, 1};
  data.y = {0, 0, 1, 1};
  data.z = {10, 0, 20, 30};
  const struct {
    TG_M_INTERPOLATIONMODES mode;
    float value;  // 0: invalid procedure call (too few points for twelve, an unknown mode)
  } cases[] = {{TG_M_IM_4POINT, 12.5f},    {TG_M_IM_MAX4, 12.5f}, {TG_M_IM_NONE, 10},
               {TG_M_IM_CLOSESTPOINT, 10}, {TG_M_IM_12POINT, 0},  {TG_M_INTERPOLATIONMODES(4), 0}};
  for (const auto& c : cases) {
    if (c.value != 0) {
      EXPECT_FLOAT_EQ(combineInterpolationData(data, c.mode), c.value) << c.mode;
    } else {
      EXPECT_TRUE(test::raisesError([&] { combineInterpolationData(data, c.mode); }, 5,
                                    "combineInterpolationData",
                                    "Invalid procedure call or argument"));
    }
  }
  data.z[3] = -32100;
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_4POINT), -32101);
  EXPECT_NE(interpolateInterpolationData(data, TG_M_IM_4POINT), -32101);
  data.z = {-32100, 0, 0, 0};
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_NONE), -32100);
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_CLOSESTPOINT), -32100);
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_MAX4), -32101);
}

// Direct access combines its corners in the grid's order as the machine's order would.
TEST(CombineInterpolationData, GridOrderedCornersAsInTheMachinesOrder) {
  const struct {
    const char* name;
    std::array<Single, 4> z;
    Double u, v;  // the target within the cell
  } rows[] = {{"inside", {812, 790.5f, 833, 801}, 0.3, 0.7},
              {"a void", {812, -32100, 833, 801}, 0.3, 0.7},
              {"beyond 30000", {29999, 29999, 40000, 40000}, 0.9, 0.9}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TG_M_INTERPDATA grid;  // a cell 0.25 wide and 0.5 high at (10, 20)
    grid.numPoints = 4;
    grid.targetX = 10 + 0.25 * row.u;
    grid.targetY = 20 + 0.5 * row.v;
    for (std::size_t k = 0; k < 4; ++k) {
      grid.x[k] = 10 + 0.25 * TessaglyphMEXOffsetCalc::kPointSteps[k][0];
      grid.y[k] = 20 + 0.5 * TessaglyphMEXOffsetCalc::kPointSteps[k][1];
      grid.z[k] = row.z[k];
    }
    EXPECT_EQ(combineGridCorners(grid),
              combineInterpolationData(inMachinePointOrder(grid), TG_M_IM_4POINT));
  }
}

// x, y, z pushed per point, x with more digits than a Single holds; point 0 is the position.
TEST_F(InterpolationTest, PointRoutinesArePoppedBackToFront) {
  for (const int count : {4, 12}) {
    SCOPED_TRACE(count);
    const bool four = count == 4;
    std::string code = four ? "ifourpoint" : "itwelvepoint";
    code += ":\n push p_x\n push p_y\n push 100.25\n";
    for (int i = 1; i < count; ++i) {
      const std::string n = std::to_string(i);
      code += " push " + n + ".1\n push " + n + ".3\n push " + std::to_string(100 + i) + ".5\n";
    }
    load(four ? ".property interp_4point \"true\"\n.routine ifourpoint\n"
              : ".property interp_12point \"true\"\n.routine itwelvepoint\n",
         {}, test::kLinearRead, code + " stop\n");
    machine->setInterpolationMode(four ? TG_M_IM_4POINT : TG_M_IM_12POINT);
    const TG_M_INTERPDATA data = machine->getInterpolationData(0.3, 0.7);
    ASSERT_EQ(data.numPoints, count);
    EXPECT_EQ(std::tie(data.targetX, data.targetY), std::make_tuple(0.7, 0.3));
    EXPECT_EQ(std::tie(data.x[0], data.y[0], data.z[0]),
              std::make_tuple(Double(Single(0.7)), 0.3, 100.25f));
    for (int i = 1; i < count; ++i) {
      const auto p = std::size_t(i);
      const double x = i + 0.1;
      // The second corner of the 4-point routine keeps its x in full.
      EXPECT_EQ(data.x[p], four && i == 1 ? x : Double(Single(x))) << i;
      EXPECT_EQ(data.y[p], i + 0.3) << i;
      EXPECT_EQ(data.z[p], Single(100 + i + 0.5)) << i;
    }
    EXPECT_TRUE(MachineAccess::stackEmpty(*machine));
  }
}

TEST_F(InterpolationTest, ModesTheScriptCannotServe) {
  const std::string routineMissing = " routine must be defined when the \"interp_";
  const struct {
    std::string properties, extra;
    TG_M_INTERPOLATIONMODES mode;
    std::int32_t number;
    std::string description;
  } cases[] = {
      {"", "", TG_M_IM_CLOSESTPOINT, 11013, "The closest point cannot be manually determined"},
      {"", "", TG_M_IM_4POINT, 11013,
       "The points for 4-point interpolation cannot be manually calculated"},
      {"", "", TG_M_IM_12POINT, 11013,
       "The points for 12-point interpolation cannot be manually calculated"},
      {"", "", TG_M_INTERPOLATIONMODES(4), 5, "Invalid procedure call or argument"},
      // Claimed but not there.
      {".property interp_4point \"true\"\n", "", TG_M_IM_4POINT, 11008,
       "The ifourpoint" + routineMissing + "4point\" property is \"true\""},
      {".property interp_12point \"true\"\n", "", TG_M_IM_12POINT, 11008,
       "The itwelvepoint" + routineMissing + "12point\" property is \"true\""}};
  for (const auto& c : cases) {
    load(c.properties, c.mode == TG_M_IM_12POINT ? latLonGrid() : AttributeValues{});
    EXPECT_TRUE(
        test::raisesError([&] { read(c.mode, 1, 1); }, c.number, kGatherSource, c.description));
  }
  // Eleven values for four points: nothing is popped.
  std::string pushes = "ifourpoint:\n";
  for (int i = 0; i < 11; ++i)
    pushes += " push 1\n";
  load(".property interp_4point \"true\"\n.routine ifourpoint\n", {}, test::kLinearRead,
       pushes + " stop\n");
  EXPECT_TRUE(test::raisesError([&] { read(TG_M_IM_4POINT, 0.5, 0.5); }, 11014, kGatherSource,
                                "The stack is empty"));
  EXPECT_FALSE(MachineAccess::stackEmpty(*machine));
  // A script that finds the closest point itself is asked at the position.
  load(".property interp_closestpoint \"true\"\n", {});
  EXPECT_FLOAT_EQ(read(TG_M_IM_CLOSESTPOINT, 0.3, 0.6), linearSurface(0.3, 0.6));
}

TEST_F(InterpolationTest, LastInterpDataFollowsTheReads) {
  loadLatLonGrid();
  EXPECT_FALSE(machine->isLastInterpDataSet());
  EXPECT_TRUE(test::raisesError([&] { machine->lastInterpData(); }, 11016,
                                "TessaglyphMachine::lastInterpData Get",
                                "There is no interpolation data to provide"));
  read(TG_M_IM_12POINT, 1.2, 1.2);
  read(TG_M_IM_NONE, 0.25, 0.75);
  ASSERT_TRUE(machine->isLastInterpDataSet());
  TG_M_INTERPDATA expected;
  expected.targetX = expected.x[0] = 0.25;
  expected.targetY = expected.y[0] = 0.75;
  expected.numPoints = 1;
  expected.z[0] = Single(linearSurface(0.25, 0.75));
  EXPECT_EQ(machine->lastInterpData(), expected);  // nothing of the twelve points is left
  // A read that fails leaves no record.
  machine->setInterpolationMode(TG_M_INTERPOLATIONMODES(4));
  EXPECT_THROW(machine->datapoint_read(0.25, 0.75), Error);
  EXPECT_FALSE(machine->isLastInterpDataSet());
}

TEST_F(InterpolationTest, ClearForgetsTheCapabilitiesAndTheDatapointType) {
  loadLatLonGrid();
  EXPECT_TRUE(machine->canInterpolate(TG_M_IM_4POINT));
  EXPECT_FLOAT_EQ(read(TG_M_IM_NONE, 0.25, 0.3), linearSurface(0.25, 0.3));
  machine->Clear();
  EXPECT_FALSE(machine->canInterpolate(TG_M_IM_4POINT));
  EXPECT_EQ(machine->scriptManualInterpCapable(), std::optional<Boolean>(false));
  // The same machine with a program whose data points are 2-byte integers.
  load(kLatLonProperties, latLonGrid(), test::kLinearRead, {}, "integer 2");
  EXPECT_EQ(read(TG_M_IM_NONE, 0.25, 0.3), 1.0f);  // 1.4 as a whole number
  EXPECT_TRUE(machine->canInterpolate(TG_M_IM_12POINT));
}

// A cell held elsewhere keeps its value; an unshared one is reused rather than replaced.
TEST_F(InterpolationTest, ScriptCoordsNeverChangeACellHeldElsewhere) {
  loadLatLonGrid();
  machine->setPredefinedVariableDataTypes(TG_M_PVI_Y, TG_M_DT_ASCII);
  machine->setScriptCoords(1.5, 2.5);
  const TessaglyphDatum* unshared = MachineAccess::cell(*machine, TG_M_PVI_Y).get();
  const DatumRef held = MachineAccess::cell(*machine, TG_M_PVI_X);
  machine->setScriptCoords(-3.25, 4.75);
  EXPECT_EQ(held->getDouble(), 1.5);
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_X), "-3.25");
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_Y), "4.75");
  EXPECT_EQ(MachineAccess::cell(*machine, TG_M_PVI_Y).get(), unshared);
  EXPECT_EQ(machine->predefinedVariableDataTypes(TG_M_PVI_Y), TG_M_DT_DOUBLE);
}

}  // namespace
}  // namespace tg
