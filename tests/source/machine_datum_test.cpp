// The machine's datum members run against small assembled scripts: where the datum and the UTM
// zone come from, their 11010 errors, the library keys, and native coordinates end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "program/assembler.hpp"
#include "source/datum_conversion.hpp"
#include "source/elevation_helpers.hpp"
#include "support/test_environment.hpp"
#include "support/trace.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

// Attribute code the scripts share: "datum" by the sign of x (NAD27 west of 0; the register
// and "return" start as numbers and are cast to text), and zones fixed or by y (west of -96 zone
// 14, compared as numbers after a cast).
constexpr const char* kCode = R"(
main:
    stop
datum_by_x:
    load p_x
    lessthan 0
    branch_true west
    cast_ascii register
    cast_ascii p_return
    load "NAD83"
    store p_return
    stop
west:
    cast_ascii register
    cast_ascii p_return
    load "NAD27"
    store p_return
    stop
zone_fixed:
    load 14
    store p_return
    stop
zone_by_y:
    load p_y
    cast_double register
    lessthan -96
    branch_true zone14
    cast_ascii register
    load 15
    store p_return
    stop
zone14:
    cast_ascii register
    load 14
    store p_return
    stop
.routine init main
.attribute datapoint datapoint integer 2 read main
)";

class MachineDatumTest : public ::testing::Test {
 protected:
  test::SettingsSandbox sandbox;
  test::TemporaryFolder scratch;
  std::shared_ptr<TessaglyphMachine> machine;

  void load(const std::string& header) {
    TessaglyphProgram program = assembleProgram(header + kCode, "datum.tgs");
    program.prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
  }
};

TEST_F(MachineDatumTest, DatumComesFromThePropertyOrTheAttribute) {
  // Each case: the header, then the datum after x is set to 5 (by the host) and asked at x = -5.
  struct Case {
    const char* header;
    const char* expected;
  } cases[] = {
      {".property datum \"WGS84\"\n", "wgs84"},
      // Read once, with x as it stood (5): the later x = -5 changes nothing.
      {".property datum \"by file\"\n.attribute datum var ascii 8 read datum_by_x\n", "NAD83"},
      {".property datum \"byfile\"\n.attribute datum var ascii 8 read datum_by_x\n", "NAD83"},
      // Read at every call, at the position asked.
      {".property datum \"by point\"\n.attribute datum var ascii 8 read datum_by_x\n", "NAD27"},
      {".property datum \"BYPOINT\"\n.attribute datum var ascii 8 read datum_by_x\n", "NAD27"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    load(c.header);
    machine->setPredefinedVariables(TG_M_PVI_X, "5");
    machine->getDatum(5, 0);
    EXPECT_EQ(machine->getDatum(-5, 0), c.expected);
  }
  // By point, the position is left in x and y as Doubles.
  load(".property datum \"by point\"\n.attribute datum var ascii 8 read datum_by_x\n");
  EXPECT_EQ(machine->getDatum(-1, 2), "NAD27");
  EXPECT_EQ(machine->getDatum(1, 2), "NAD83");
  EXPECT_EQ(machine->predefinedVariableDataTypes(TG_M_PVI_X), TG_M_DT_DOUBLE);
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_X), "1");
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_Y), "2");
}

TEST_F(MachineDatumTest, MissingAttributesRaise11010) {
  load(".property datum \"by point\"\n");
  const char* byPoint =
      "The datum attribute must be defined when the datum property is \"by point.\"";
  EXPECT_TRUE(test::raisesError([&] { machine->getDatum(1, 2); }, 11010,
                                "TessaglyphMachine::getDatum", byPoint));
  // Nothing is remembered from a failed first call.
  EXPECT_TRUE(test::raisesError([&] { machine->getDatum(1, 2); }, 11010,
                                "TessaglyphMachine::getDatum", byPoint));
  load(".property datum \"BY FILE\"\n");
  EXPECT_TRUE(test::raisesError(
      [&] { machine->getDatum(1, 2); }, 11010, "TessaglyphMachine::getDatum",
      "The datum attribute must be defined when the datum property is \"by file.\""));
  load(".property gridtype \"utm\"\n");
  EXPECT_TRUE(test::raisesError(
      [&] { machine->getUTMZone(35, -97); }, 11010, "TessaglyphMachine::getUTMZone",
      "The utmzone attribute must be defined when the \"gridtype\" property is \"utm\""));
}

TEST_F(MachineDatumTest, UtmZoneFollowsTheGridType) {
  load(".property gridtype \"latlon\"\n.attribute utmzone var integer 2 read zone_fixed\n");
  EXPECT_EQ(machine->getUTMZone(35, -97), -1);
  load(".property gridtype \"utm\"\n.attribute utmzone var integer 2 read zone_by_y\n");
  // Read once, with x and y as they stand (0: east of -96), whatever the position.
  EXPECT_EQ(machine->getUTMZone(35, -100), 15);
  EXPECT_EQ(machine->getUTMZone(35, -100), 15);
  load(
      ".property gridtype \"utm\"\n.property conditionalzone \"true\"\n"
      ".attribute utmzone var integer 2 read zone_by_y\n");
  // Per call, with x the latitude and y the longitude.
  EXPECT_EQ(machine->getUTMZone(35, -100), 14);
  EXPECT_EQ(machine->getUTMZone(35, -90), 15);
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_X), "35");
  EXPECT_EQ(machine->predefinedVariables(TG_M_PVI_Y), "-90");
}

TEST_F(MachineDatumTest, ClearForgetsWhatWasRead) {
  load(".property datum \"nad83\"\n.property gridtype \"latlon\"\n");
  EXPECT_EQ(machine->getDatum(0, 0), "nad83");
  EXPECT_EQ(machine->getUTMZone(0, 0), -1);
  load(
      ".property datum \"wgs84\"\n.property gridtype \"utm\"\n"
      ".attribute utmzone var integer 2 read zone_fixed\n");
  EXPECT_EQ(machine->getDatum(0, 0), "wgs84");
  EXPECT_EQ(machine->getUTMZone(0, 0), 14);
}

TEST_F(MachineDatumTest, LibraryKeysOfTheGrid) {
  load(".property gridtype \"latlon\"\n");
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "nad 27"), "LL27");
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "WGS84"), "LL84");
  load(".property gridtype \"utm\"\n.attribute utmzone var integer 2 read zone_fixed\n");
  if (!datumConverter().libraryUsable()) GTEST_SKIP() << "no coordinate-system library";
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "NAD27"), "LL27-UTM-14-N");
  EXPECT_EQ(machine->getDatumCSMAP(-35, -97, "nad83"), "LL83-UTM-14-S");
  // A key the library does not know is refused.
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "no such datum"), "");
}

TEST_F(MachineDatumTest, NativeCoordinatesOfAUtmGridAreEastingAndNorthingInItsZone) {
  load(
      ".property gridtype \"utm\"\n.property datum \"NAD27\"\n"
      ".attribute utmzone var integer 2 read zone_fixed\n");
  // The second point lies in zone 15 by its longitude; the grid's zone 14 is used all the same.
  for (const auto& [lat, lon] : std::vector<std::pair<Double, Double>>{{35, -97.5}, {40, -93}}) {
    SCOPED_TRACE(lon);
    Double natX = 0;
    Double natY = 0;
    machine->getNativeCoordinates(lat, lon, natX, natY);
    const UtmCoordinates expected = latLonToUtm(lat, lon, 14);
    EXPECT_NEAR(natX, expected.easting, 1e-6);
    EXPECT_NEAR(natY, expected.northing, 1e-6);
    if (datumConverter().libraryUsable()) {
      Double e = 0, n = 0;
      Integer status = -1;
      datumConverter().convert(lat, lon, "NAD27", n, e, "LL27-UTM-14-N", status);
      ASSERT_EQ(status, 0);
      EXPECT_NEAR(natX, e, 1e-3);
      EXPECT_NEAR(natY, n, 1e-3);
    }
  }
}

TEST_F(MachineDatumTest, NativeCoordinatesOfALatLonGridAndTheTrace) {
  load(".property gridtype \"latlon\"\n.property datum \"nad27\"\n");
  const std::string log = scratch.folder() + "trace.log";
  setTraceFile(log);
  Double natX = 0;
  Double natY = 0;
  machine->getNativeCoordinates(35.5, -97.25, natX, natY);
  disableTrace();
  EXPECT_DOUBLE_EQ(natX, -97.25);
  EXPECT_DOUBLE_EQ(natY, 35.5);
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("machine.getNativeCoordinates: lat = 35.5, convY = 35.5, lon = -97.25, "
                      "convX = -97.25, m_datum = 'NAD27', sDatumPoint = 'nad27', "
                      "sDatumDataFile = 'nad27'"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace tg
