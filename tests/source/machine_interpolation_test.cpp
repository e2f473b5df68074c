// Point interpolation against small grid scripts: the capability rules, the manual grid and its
// bounds, the points gathered in each mode and their order, points handed back by a script's own
// routines, the combining step, the errors, and what Clear forgets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "source/interpolation_test_support.hpp"
#include "source/point_interpolation.hpp"
#include "support/trace.hpp"
#include "tessaglyph/method_counter.hpp"

namespace tg {
namespace {

using test::AttributeValues;
using test::kLatLonProperties;
using test::latLonGrid;
using test::linearSurface;
using test::quadraticSurface;

constexpr const char* kGatherSource = "TessaglyphMachine::getInterpolationData";

class InterpolationTest : public test::GridScriptTest {};

// ---- Capabilities -----------------------------------------------------------------------------

struct CapabilityCase {
  const char* name;
  std::string properties;
  AttributeValues attributes;
  bool closest, four, twelve, manual;
};

TEST_F(InterpolationTest, CapabilityRules) {
  const AttributeValues utmGrid = {{"left_utm", "500000"}, {"right_utm", "502000"},
                                   {"top_utm", "4002000"}, {"bottom_utm", "4000000"},
                                   {"utmzone", "14"},      {"xres", "500"},
                                   {"yres", "500"}};
  const AttributeValues utmWithoutYres(utmGrid.begin(), utmGrid.end() - 1);
  const std::vector<CapabilityCase> cases = {
      {"latlon grid by its corners", kLatLonProperties, latLonGrid(), false, false, false, true},
      {"utm grid with both resolutions",
       ".property gridtype \"utm\"\n.property boundsmode \"utmbounding\"\n", utmGrid, false, false,
       false, true},
      {"utm grid without yres",
       ".property gridtype \"utm\"\n.property boundsmode \"utmbounding\"\n"
       ".property interp_4point \"TRUE\"\n",
       utmWithoutYres, false, true, false, false},
      {"latlon grid with utm bounds", ".property boundsmode \"utmbounding\"\n", utmGrid, false,
       false, false, false},
      {"utm grid with latlon bounds",
       ".property gridtype \"utm\"\n.property boundsmode \"latlonbounding\"\n", latLonGrid(), false,
       false, false, false},
      {"corner bounds", ".property boundsmode \"4point\"\n", latLonGrid(), false, false, false,
       false},
      {"flags as numbers and other texts",
       ".property interp_closestpoint \"yes\"\n.property interp_4point \"0\"\n"
       ".property interp_12point \" -1 \"\n",
       {},
       false,
       false,
       true,
       false},
      {"every flag set",
       ".property interp_closestpoint \"True\"\n.property interp_4point \"2\"\n"
       ".property interp_12point \"true\"\n",
       {},
       true,
       true,
       true,
       false},
  };
  for (const CapabilityCase& c : cases) {
    SCOPED_TRACE(c.name);
    load(c.properties, c.attributes);
    EXPECT_EQ(machine->scriptClosestPointCapable(), c.closest);
    EXPECT_EQ(machine->script4PointCapable(), c.four);
    EXPECT_EQ(machine->script12PointCapable(), c.twelve);
    EXPECT_EQ(machine->scriptFullyInterpCapable(), c.closest && c.four && c.twelve);
    EXPECT_EQ(machine->scriptManualInterpCapable(), std::optional<Boolean>(c.manual));
    EXPECT_TRUE(machine->canInterpolate(TG_M_IM_NONE));
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_CLOSESTPOINT), c.closest || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_4POINT), c.four || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_MAX4), c.four || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_IM_12POINT), c.twelve || c.manual);
    EXPECT_EQ(machine->canInterpolate(TG_M_INTERPOLATIONMODES(4)), c.manual);
  }
}

TEST_F(InterpolationTest, ManualSettingsComeFromTheAttributes) {
  loadLatLonGrid();
  TG_M_MANUALINTERPSETTINGS expected;
  expected.boundmode = TG_M_BM_LATLON;
  expected.eastBorder = 2;
  expected.westBorder = 0;
  expected.northBorder = 2;
  expected.southBorder = 0;
  expected.xRes = 0.5;
  expected.yRes = 0.5;
  EXPECT_EQ(machine->manualInterpolationSpecs(), expected);

  load(".property gridtype \"utm\"\n.property boundsmode \"utmbounding\"\n",
       {{"left_utm", "500000.5"},
        {"right_utm", "502000"},
        {"top_utm", "4002000"},
        {"bottom_utm", "4000000"},
        {"utmzone", "14"},
        {"xres", "250"},
        {"yres", "125"}});
  expected = {TG_M_BM_UTM, 502000, 500000.5, 4002000, 4000000, 250, 125, 14};
  EXPECT_EQ(machine->manualInterpolationSpecs(), expected);

  load(".property boundsmode \"4point\"\n", latLonGrid());
  EXPECT_TRUE(test::raisesError([&] { machine->manualInterpolationSpecs(); }, 11013,
                                "TessaglyphMachine::manualInterplationSpecs Get",
                                "Script incapable of providing manual interpolation "
                                "specifications"));
}

// A grid whose geometry is incomplete or unusable still reads in the modes that do not need it;
// the modes that do fail with the reason.
TEST_F(InterpolationTest, AnUnusableGeometryFailsOnlyWhereItIsNeeded) {
  AttributeValues withoutXres = latLonGrid();
  std::erase_if(withoutXres, [](const auto& a) { return a.first == "xres"; });
  load(kLatLonProperties, withoutXres);
  const std::string missing =
      "The xres attribute must be defined when the \"boundsmode\" property is \"latlonbounding\"";
  EXPECT_TRUE(test::raisesError([&] { machine->manualInterpolationSpecs(); }, 11010,
                                "TessaglyphMachine::checkInterpolationCapabilities", missing));
  EXPECT_FLOAT_EQ(read(TG_M_IM_NONE, 0.25, 0.5), linearSurface(0.25, 0.5));
  EXPECT_TRUE(test::raisesError([&] { read(TG_M_IM_4POINT, 0.25, 0.5); }, 11010,
                                "TessaglyphMachine::checkInterpolationCapabilities", missing));

  AttributeValues textBorder = latLonGrid();
  textBorder[0].second = "\"north\"";
  load(kLatLonProperties, textBorder);
  EXPECT_TRUE(test::raisesError([&] { read(TG_M_IM_CLOSESTPOINT, 0.25, 0.5); }, 13,
                                "TessaglyphMachine::checkInterpolationCapabilities",
                                "Type mismatch"));
  EXPECT_FLOAT_EQ(read(TG_M_IM_NONE, 0.25, 0.5), linearSurface(0.25, 0.5));

  AttributeValues zeroResolution = latLonGrid();
  zeroResolution[5].second = "0";
  load(kLatLonProperties, zeroResolution);
  for (const TG_M_INTERPOLATIONMODES mode :
       {TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT}) {
    EXPECT_TRUE(
        test::raisesError([&] { read(mode, 0.25, 0.5); }, 11, kGatherSource, "Division by zero"));
  }
}

TEST_F(InterpolationTest, TheModeIsProfiled) {
  loadLatLonGrid();
  auto profiler = std::make_shared<MethodCounter>();
  machine->setMethodProfiler(profiler);
  machine->setInterpolationMode(TG_M_IM_4POINT);
  EXPECT_EQ(machine->interpolationMode(), TG_M_IM_4POINT);
  for (const char* name :
       {"TessaglyphMachine::interpolationMode Let", "TessaglyphMachine::interpolationMode Get"}) {
    const Long index = profiler->methodIndex(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_EQ(profiler->methodCallCount(Integer(index)), 1) << name;
  }
}

// A negative resolution steps the other way; the capability and the read agree on it.
TEST_F(InterpolationTest, NegativeResolutionsFollowTheSameFormulas) {
  AttributeValues negative = latLonGrid();
  negative[4].second = "-0.5";
  negative[5].second = "-0.5";
  load(kLatLonProperties, negative);
  for (const TG_M_INTERPOLATIONMODES mode :
       {TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT}) {
    EXPECT_TRUE(machine->canInterpolate(mode)) << mode;
    EXPECT_NO_THROW(read(mode, 0.75, 1.25)) << mode;
  }
  EXPECT_FLOAT_EQ(read(TG_M_IM_4POINT, 0.75, 1.25), linearSurface(0.75, 1.25));
  EXPECT_FLOAT_EQ(read(TG_M_IM_CLOSESTPOINT, 0.7, 1.3), linearSurface(0.5, 1.5));
}

// ---- The manual grid --------------------------------------------------------------------------

TEST_F(InterpolationTest, ClosestPointRoundsHalvesToEven) {
  loadLatLonGrid();
  struct Case {
    double x, y;          // the query
    double gridX, gridY;  // the grid point read
  };
  // (x - west) / xres: 2.5 -> 2, 3.5 -> 4, 0.5 -> 0, 1.5 -> 2; below a half down, above up.
  const std::vector<Case> cases = {{1.25, 1.75, 1.0, 2.0},  {0.25, 0.75, 0.0, 1.0},
                                   {0.3, 0.7, 0.5, 0.5},    {1.24, 0.26, 1.0, 0.5},
                                   {-0.25, 2.25, 0.0, 2.0}, {5.0, -1.0, 5.0, -1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    EXPECT_FLOAT_EQ(read(TG_M_IM_CLOSESTPOINT, c.x, c.y), linearSurface(c.gridX, c.gridY));
    const TG_M_INTERPDATA data = machine->lastInterpData();
    EXPECT_EQ(data.numPoints, 1);
    EXPECT_DOUBLE_EQ(data.targetX, c.x);
    EXPECT_DOUBLE_EQ(data.targetY, c.y);
    EXPECT_DOUBLE_EQ(data.x[0], c.gridX);
    EXPECT_DOUBLE_EQ(data.y[0], c.gridY);
  }
}

TEST_F(InterpolationTest, FourPointGathersTheCellCornersInOrder) {
  // z = 2x + 3y + xy is bilinear, so the combined value is exact inside every cell.
  loadLatLonGrid(R"(
dp_read:
    cast_double register
    load p_x
    multiply p_y
    store t1
    load p_x
    multiply 2
    add t1
    store t1
    load p_y
    multiply 3
    add t1
    store p_return
    stop
)");
  auto surface = [](double x, double y) { return 2 * x + 3 * y + x * y; };
  for (const TG_M_INTERPOLATIONMODES mode : {TG_M_IM_4POINT, TG_M_IM_MAX4}) {
    EXPECT_NEAR(read(mode, 1.2, 0.6), surface(1.2, 0.6), 1e-4);
    const TG_M_INTERPDATA data = machine->lastInterpData();
    ASSERT_EQ(data.numPoints, 4);
    const double xs[] = {1.5, 1.0, 1.0, 1.5};
    const double ys[] = {0.5, 0.5, 1.0, 1.0};
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_DOUBLE_EQ(data.x[i], xs[i]) << i;
      EXPECT_DOUBLE_EQ(data.y[i], ys[i]) << i;
      EXPECT_FLOAT_EQ(data.z[i], surface(xs[i], ys[i])) << i;
    }
    for (std::size_t i = 4; i < TG_M_INTERPDATA::kMaxPoints; ++i)
      EXPECT_EQ(data.z[i], 0) << i;
  }
}

// The cell of a point on the east or north edge reaches beyond the grid: those corners are not
// read, carry -32100, and the combined value is -32101. The south-west corner is whole.
TEST_F(InterpolationTest, EdgesOfTheBounds) {
  loadLatLonGrid();
  struct Case {
    double x, y;
    float expected;
    int missing;  // corners carrying -32100
  };
  const std::vector<Case> cases = {
      {2.0, 2.0, -32101, 3},
      {2.0, 1.0, -32101, 2},
      {1.0, 2.0, -32101, 2},
      {0.0, 0.0, float(linearSurface(0, 0)), 0},
      {1.99, 1.99, float(linearSurface(1.99, 1.99)), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    EXPECT_NEAR(read(TG_M_IM_4POINT, c.x, c.y), c.expected, 1e-3);
    const TG_M_INTERPDATA data = machine->lastInterpData();
    EXPECT_EQ(std::count(data.z.begin(), data.z.begin() + 4, -32100.0f), c.missing);
  }
  // At the north-east corner the one corner inside is the query itself, p1.
  read(TG_M_IM_4POINT, 2.0, 2.0);
  EXPECT_FLOAT_EQ(machine->lastInterpData().z[1], linearSurface(2, 2));
}

TEST_F(InterpolationTest, TwelvePointReproducesAQuadraticSurfaceAndGathersTheRing) {
  loadLatLonGrid(test::kQuadraticRead);
  for (const auto& [x, y] :
       std::vector<std::pair<double, double>>{{0.7, 0.6}, {1.2, 1.4}, {0.5, 0.5}, {1.01, 0.99}}) {
    SCOPED_TRACE(testing::Message() << x << ", " << y);
    EXPECT_NEAR(read(TG_M_IM_12POINT, x, y), quadraticSurface(x, y), 1e-4);
  }
  read(TG_M_IM_12POINT, 0.7, 0.6);
  const TG_M_INTERPDATA data = machine->lastInterpData();
  ASSERT_EQ(data.numPoints, 12);
  const int offsets[12][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1},  {-1, 1}, {0, 2},
                              {1, 2}, {2, 1}, {2, 0}, {1, -1}, {0, -1}, {-1, 0}};
  for (std::size_t i = 0; i < 12; ++i) {
    const double x = 0.5 + offsets[i][0] * 0.5;
    const double y = 0.5 + offsets[i][1] * 0.5;
    EXPECT_DOUBLE_EQ(data.x[i], x) << i;
    EXPECT_DOUBLE_EQ(data.y[i], y) << i;
    EXPECT_FLOAT_EQ(data.z[i], quadraticSurface(x, y)) << i;
  }
  // Next to the west edge the ring's west points are outside.
  EXPECT_EQ(read(TG_M_IM_12POINT, 0.2, 1.2), -32101);
  const TG_M_INTERPDATA edge = machine->lastInterpData();
  EXPECT_EQ(edge.z[4], -32100);
  EXPECT_EQ(edge.z[11], -32100);
  EXPECT_EQ(std::count(edge.z.begin(), edge.z.end(), -32100.0f), 2);
}

// ---- Combining --------------------------------------------------------------------------------

// Every corner holds the same value, so the interpolation gives that value back.
TEST_F(InterpolationTest, CombinedValuesBeyondThirtyThousandAreNoData) {
  struct Case {
    const char* literal;
    float combined;
  };
  for (const Case& c : std::vector<Case>{{"30000.5", -32100},
                                         {"-30000.5", -32100},
                                         {"30000", 30000},
                                         {"-30000", -30000},
                                         {"29999.5", 29999.5f}}) {
    SCOPED_TRACE(c.literal);
    loadLatLonGrid(std::string("dp_read:\n    cast_double register\n    load ") + c.literal +
                   "\n    store p_return\n    stop\n");
    EXPECT_EQ(read(TG_M_IM_4POINT, 1.2, 1.2), c.combined);
    EXPECT_EQ(read(TG_M_IM_12POINT, 1.2, 1.2), c.combined);
    // A single point is handed back as it is.
    EXPECT_EQ(read(TG_M_IM_NONE, 1.2, 1.2), std::stof(c.literal));
  }
}

TEST(CombineInterpolationData, ByModeAndMissingPoints) {
  TG_M_INTERPDATA data;
  data.targetX = 0.25;
  data.targetY = 0.5;
  data.numPoints = 4;
  data.x = {1, 0, 0, 1};
  data.y = {0, 0, 1, 1};
  data.z = {10, 0, 20, 30};
  // f = 10x + 20y on the unit cell.
  EXPECT_FLOAT_EQ(combineInterpolationData(data, TG_M_IM_4POINT), 12.5f);
  EXPECT_FLOAT_EQ(combineInterpolationData(data, TG_M_IM_MAX4), 12.5f);
  EXPECT_FLOAT_EQ(combineInterpolationData(data, TG_M_IM_NONE), 10.0f);
  EXPECT_FLOAT_EQ(combineInterpolationData(data, TG_M_IM_CLOSESTPOINT), 10.0f);
  // Too few points for twelve, and a mode the machine does not know.
  EXPECT_TRUE(test::raisesError([&] { combineInterpolationData(data, TG_M_IM_12POINT); }, 5,
                                "combineInterpolationData", "Invalid procedure call or argument"));
  EXPECT_TRUE(test::raisesError([&] { combineInterpolationData(data, TG_M_INTERPOLATIONMODES(4)); },
                                5, "combineInterpolationData",
                                "Invalid procedure call or argument"));

  data.z[3] = -32100;
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_4POINT), -32101);
  EXPECT_NE(interpolateInterpolationData(data, TG_M_IM_4POINT), -32101);
  data.z = {-32100, 0, 0, 0};
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_NONE), -32100);
  EXPECT_EQ(combineInterpolationData(data, TG_M_IM_MAX4), -32101);
}

// ---- Points from the script's own routines ----------------------------------------------------

// Each routine pushes x, y and z per point; x is written with more digits than a Single holds
// so that the precision each is taken at shows. Point 0 is at the position asked.
std::string pointRoutine(const char* label, int count) {
  std::string code = std::string(label) + ":\n    push p_x\n    push p_y\n    push 100.25\n";
  for (int i = 1; i < count; ++i) {
    code += "    push " + std::to_string(i) + ".1\n    push " + std::to_string(i) +
            ".3\n    push " + std::to_string(100 + i) + ".5\n";
  }
  return code + "    stop\n";
}

TEST_F(InterpolationTest, PointRoutinesArePoppedBackToFront) {
  for (const int count : {4, 12}) {
    SCOPED_TRACE(count);
    const bool four = count == 4;
    load(four ? ".property interp_4point \"true\"\n.routine ifourpoint\n"
              : ".property interp_12point \"true\"\n.routine itwelvepoint\n",
         {}, test::kLinearRead, pointRoutine(four ? "ifourpoint" : "itwelvepoint", count));
    machine->setInterpolationMode(four ? TG_M_IM_4POINT : TG_M_IM_12POINT);
    const TG_M_INTERPDATA data = machine->getInterpolationData(0.3, 0.7);
    ASSERT_EQ(data.numPoints, count);
    EXPECT_DOUBLE_EQ(data.targetX, 0.7);
    EXPECT_DOUBLE_EQ(data.targetY, 0.3);
    EXPECT_EQ(data.x[0], Double(Single(0.7)));
    EXPECT_EQ(data.y[0], 0.3);
    EXPECT_EQ(data.z[0], 100.25f);
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

TEST_F(InterpolationTest, PointRoutineErrors) {
  // Claimed but not there.
  load(".property interp_4point \"true\"\n", {});
  EXPECT_TRUE(test::raisesError(
      [&] { read(TG_M_IM_4POINT, 0.5, 0.5); }, 11008, kGatherSource,
      "The ifourpoint routine must be defined when the \"interp_4point\" property is \"true\""));
  load(".property interp_12point \"true\"\n", latLonGrid());
  EXPECT_TRUE(test::raisesError(
      [&] { read(TG_M_IM_12POINT, 0.5, 0.5); }, 11008, kGatherSource,
      "The itwelvepoint routine must be defined when the \"interp_12point\" property is "
      "\"true\""));
  // Eleven values for four points: nothing is popped.
  load(".property interp_4point \"true\"\n.routine ifourpoint\n", {}, test::kLinearRead,
       "ifourpoint:\n    push 1\n    push 1\n    push 1\n    push 1\n    push 1\n    push 1\n"
       "    push 1\n    push 1\n    push 1\n    push 1\n    push 1\n    stop\n");
  EXPECT_TRUE(test::raisesError([&] { read(TG_M_IM_4POINT, 0.5, 0.5); }, 11014, kGatherSource,
                                "The stack is empty"));
  EXPECT_FALSE(MachineAccess::stackEmpty(*machine));
}

// ---- Errors and state -------------------------------------------------------------------------

TEST_F(InterpolationTest, ModesTheScriptCannotServe) {
  load("", {});
  struct Case {
    TG_M_INTERPOLATIONMODES mode;
    const char* description;
  };
  for (const Case& c : std::vector<Case>{
           {TG_M_IM_CLOSESTPOINT, "The closest point cannot be manually determined"},
           {TG_M_IM_4POINT, "The points for 4-point interpolation cannot be manually calculated"},
           {TG_M_IM_MAX4, "The points for 4-point interpolation cannot be manually calculated"},
           {TG_M_IM_12POINT,
            "The points for 12-point interpolation cannot be manually calculated"}}) {
    EXPECT_TRUE(
        test::raisesError([&] { read(c.mode, 1, 1); }, 11013, kGatherSource, c.description));
  }
  EXPECT_TRUE(test::raisesError([&] { read(TG_M_INTERPOLATIONMODES(4), 1, 1); }, 5, kGatherSource,
                                "Invalid procedure call or argument"));
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
  expected.targetX = 0.25;
  expected.targetY = 0.75;
  expected.numPoints = 1;
  expected.x[0] = 0.25;
  expected.y[0] = 0.75;
  expected.z[0] = Single(linearSurface(0.25, 0.75));
  // Nothing of the twelve points before is left behind.
  EXPECT_EQ(machine->lastInterpData(), expected);
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

// New "x" and "y" cells as far as anyone can tell: a cell held elsewhere keeps its value, and
// an unshared one is reused rather than replaced.
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

// "return" starts each point as a fresh cell of the datapoint's type: read code that adds to it
// sees 0 every time.
TEST_F(InterpolationTest, ReturnIsFreshForEveryPoint) {
  loadLatLonGrid(
      "dp_read:\n    cast_double register\n    load p_return\n    add 1.5\n    store p_return\n"
      "    stop\n");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(read(TG_M_IM_NONE, 0.5, 0.5), 1.5f);
  EXPECT_EQ(read(TG_M_IM_4POINT, 0.5, 0.5), 1.5f);
  const TG_M_INTERPDATA data = machine->lastInterpData();
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(data.z[i], 1.5f) << i;
}

TEST_F(InterpolationTest, TraceLines) {
  test::TemporaryFolder scratch;
  loadLatLonGrid();
  const std::string log = scratch.folder() + "trace.log";
  setTraceFile(log);
  read(TG_M_IM_4POINT, 1.25, 0.75);
  disableTrace();
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* line : {
           "machine.getInterpolationData lat = 0.75, lon = 1.25, x = 1.25, y = 0.75\n",
           "machine.getInterpolationData xRes = 0.5, yRes = 0.5, "
           "m_scriptManualInterpolationCapable = True\n",
           "machine.getInterpolationData rtnVal.x(0) x = 1.5, y = 0.5\n",
           "machine.getInterpolationData rtnVal.x(3) x = 1.5, y = 1\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  EXPECT_EQ(text.find("rtnVal.x(4)"), std::string::npos);
}

}  // namespace
}  // namespace tg
