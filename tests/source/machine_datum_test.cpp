// The machine's datum and UTM zone, their 11010 errors, library keys and native coordinates.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "machine/machine_test_support.hpp"
#include "program/assembler.hpp"
#include "source/datum_conversion.hpp"
#include "source/elevation_helpers.hpp"
#include "source/interpolation_test_support.hpp"
#include "source/nadcon_test_files.hpp"
#include "support/test_environment.hpp"
#include "support/trace.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

// "datum" by the sign of x (NAD27 west of 0); zones fixed, or by y (west of -96 zone 14).
constexpr const char* kCode =
    "main:\n stop\n"
    "datum_by_x:\n load p_x\n lessthan 0\n branch_true west\n cast_ascii register\n"
    " cast_ascii p_return\n load \"NAD83\"\n store p_return\n stop\n"
    "west:\n cast_ascii register\n cast_ascii p_return\n load \"NAD27\"\n store p_return\n stop\n"
    "zone_fixed:\n load 14\n store p_return\n stop\n"
    "zone_by_y:\n load p_y\n cast_double register\n lessthan -96\n branch_true zone14\n"
    " cast_ascii register\n load 15\n store p_return\n stop\n"
    "zone14:\n cast_ascii register\n load 14\n store p_return\n stop\n"
    ".routine init main\n.attribute datapoint datapoint integer 2 read main\n";
constexpr const char* kDatumByX = ".attribute datum var ascii 8 read datum_by_x\n";
constexpr const char* kFixedZone = ".attribute utmzone var integer 2 read zone_fixed\n";
constexpr const char* kZoneByY = ".attribute utmzone var integer 2 read zone_by_y\n";
constexpr const char* kUtmGrid = ".property gridtype \"utm\"\n";

class MachineDatumTest : public ::testing::Test {
 protected:
  test::SettingsSandbox sandbox;
  std::shared_ptr<TessaglyphMachine> machine;

  void load(const std::string& header) {
    TessaglyphProgram program = assembleProgram(header + kCode, "datum.tgs");
    program.prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
  }
  std::string pvi(Integer index) { return machine->predefinedVariables(index); }
};

TEST_F(MachineDatumTest, DatumComesFromThePropertyOrTheAttribute) {
  // With x set to 5 and asked at -5: by file read once as x stood, by point at each call.
  const std::pair<std::string, const char*> cases[] = {
      {"WGS84", "wgs84"}, {"byfile", "NAD83"}, {"BYPOINT", "NAD27"}};
  for (const auto& [property, expected] : cases) {
    load(".property datum \"" + property + "\"\n" + kDatumByX);
    machine->setPredefinedVariables(TG_M_PVI_X, "5");
    machine->getDatum(5, 0);
    EXPECT_EQ(machine->getDatum(-5, 0), expected) << property;
  }
  // By point, the position is left in x and y as Doubles.
  EXPECT_EQ(machine->getDatum(1, 2), "NAD83");
  EXPECT_EQ(machine->predefinedVariableDataTypes(TG_M_PVI_X), TG_M_DT_DOUBLE);
  EXPECT_EQ(pvi(TG_M_PVI_X) + " " + pvi(TG_M_PVI_Y), "1 2");
}

TEST_F(MachineDatumTest, MissingAttributesRaise11010) {
  const std::string datumRule = "The datum attribute must be defined when the datum property is ";
  const struct {
    const char* header;
    bool datum;  // false: the zone
    std::string description;
  } cases[] = {{".property datum \"by point\"\n", true, datumRule + "\"by point.\""},
               {".property datum \"BY FILE\"\n", true, datumRule + "\"by file.\""},
               {kUtmGrid, false,
                "The utmzone attribute must be defined when the \"gridtype\" property is \"utm\""}};
  for (const auto& c : cases) {
    load(c.header);
    for (int call = 0; call < 2; ++call) {  // nothing is remembered from a failed first call
      if (c.datum) {
        EXPECT_TRUE(test::raisesError([&] { machine->getDatum(1, 2); }, 11010,
                                      "TessaglyphMachine::getDatum", c.description));
      } else {
        EXPECT_TRUE(test::raisesError([&] { machine->getUTMZone(35, -97); }, 11010,
                                      "TessaglyphMachine::getUTMZone", c.description));
      }
    }
  }
}

TEST_F(MachineDatumTest, UtmZoneFollowsTheGridType) {
  for (const char* header : {".property gridtype \"latlon\"\n", ".property gridtype \"tin\"\n"}) {
    load(header + std::string(kFixedZone));
    EXPECT_EQ(machine->getUTMZone(35, -97), -1) << header;
  }
  load(kUtmGrid + std::string(kZoneByY));
  // Read once, with x and y as they stand (0: east of -96), whatever the position.
  EXPECT_EQ(machine->getUTMZone(35, -100), 15);
  load(kUtmGrid + std::string(".property conditionalzone \"true\"\n") + kZoneByY);
  // Per call, with x the latitude and y the longitude.
  EXPECT_EQ(machine->getUTMZone(35, -100), 14);
  EXPECT_EQ(machine->getUTMZone(35, -90), 15);
  EXPECT_EQ(pvi(TG_M_PVI_X) + " " + pvi(TG_M_PVI_Y), "35 -90");
  // A new program is read anew.
  load(".property datum \"wgs84\"\n" + std::string(kUtmGrid) + kFixedZone);
  EXPECT_EQ(machine->getDatum(0, 0), "wgs84");
  EXPECT_EQ(machine->getUTMZone(0, 0), 14);
}

TEST_F(MachineDatumTest, LibraryKeysOfTheGrid) {
  load(".property gridtype \"latlon\"\n");
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "nad 27"), "LL27");
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "WGS84"), "LL84");
  load(kUtmGrid + std::string(kFixedZone));
  if (!datumConverter().libraryUsable()) GTEST_SKIP() << "no coordinate-system library";
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "NAD27"), "LL27-UTM-14-N");
  EXPECT_EQ(machine->getDatumCSMAP(0, -97, "NAD27"), "LL27-UTM-14-N");
  EXPECT_EQ(machine->getDatumCSMAP(-35, -97, "nad83"), "LL83-UTM-14-S");
  EXPECT_EQ(machine->getDatumCSMAP(35, -97, "no such datum"), "");  // refused by the library
}

// Easting and northing in the grid's zone; NAD27 by the helper, other datums by the library.
TEST_F(MachineDatumTest, NativeCoordinatesOfAUtmGridAreEastingAndNorthingInItsZone) {
  const bool library = datumConverter().libraryUsable();
  for (const auto& [datum, key] :
       {std::pair{"NAD27", "LL27-UTM-14-N"}, {"WGS84", "LL84-UTM-14-N"}}) {
    load(".property datum \"" + std::string(datum) + "\"\n" + kUtmGrid + kFixedZone);
    machine->setCurrentDatum(datum);
    for (const auto& [lat, lon] : {std::pair{35.0, -97.5}, {40.0, -93.0}}) {
      Double natX = 0, natY = 0, e = 0, n = 0;
      machine->getNativeCoordinates(lat, lon, natX, natY);
      if (datum[0] == 'N') {
        const UtmCoordinates expected = latLonToUtm(lat, lon, 14);
        EXPECT_NEAR(natX, expected.easting, 1e-6) << lon;
        EXPECT_NEAR(natY, expected.northing, 1e-6) << lon;
      }
      if (!library) continue;
      Integer status = -1;
      datumConverter().convert(lat, lon, datum, n, e, key, status);
      ASSERT_EQ(status, 0);
      EXPECT_NEAR(natX, e, 1e-3) << datum << " " << lon;
      EXPECT_NEAR(natY, n, 1e-3) << datum << " " << lon;
    }
  }
}

// The conversion is skipped only while it moves nothing; each step reads twice.
TEST_F(MachineDatumTest, NativeCoordinatesFollowANewProgramOrCurrentDatum) {
  test::TemporaryHome home;  // with the NADCON grids, NAD27 to NAD83 moves a position
  test::linkRepositoryNadconGrids(std::filesystem::path(home.base()) / "NADCON");
  const Double lat = 35, lon = -97.5;
  const std::string latLon = ".property datum \"NAD83\"\n";
  const std::string utm = ".property datum \"NAD83\"\n" + std::string(kUtmGrid) + kFixedZone;
  const struct {
    const std::string* program;  // prepared anew on the same machine, or nullptr
    const char* currentDatum;    // set, or nullptr to leave it
    bool moved;                  // expected: not the position itself
  } steps[] = {{&latLon, "NAD83", false},
               {&utm, nullptr, true},
               {&latLon, "NAD83", false},
               {nullptr, "NAD27", true}};
  for (const auto& step : steps) {
    if (step.program != nullptr) {
      assembleProgram(*step.program + kCode, "datum.tgs").prepareMachine(machine);
    }
    if (step.currentDatum != nullptr) machine->setCurrentDatum(step.currentDatum);
    for (int read = 0; read < 2; ++read) {
      Double natX = 0, natY = 0;
      machine->getNativeCoordinates(lat, lon, natX, natY);
      EXPECT_EQ(natX != lon || natY != lat, step.moved) << &step - steps << " read " << read;
    }
  }
}

}  // namespace
}  // namespace tg
