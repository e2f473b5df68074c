// Datum conversion: the name table, the fall-back to the grid shift, PROJ, the real grids.
#include "source/datum_conversion.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "source/datum_status.hpp"
#include "source/elevation_helpers.hpp"
#include "source/nadcon_test_files.hpp"
#include "source/proj_transformer.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

using test::metresBetween;

TEST(DatumNames, BecomeKeysAndShiftCodes) {
  const struct {
    const char* name;
    bool asTarget;
    const char* key;
    Integer code;
    bool utm;
  } cases[] = {
      {" nad 27 ", false, "LL27", 1, false},    {"nad83", false, "LL83", 4, false},
      {"WGS-72", false, "LL72", 4, false},      {"no adjustment", false, "LL", 0, false},
      {"NAD  27", false, "NAD  27", -1, false}, {" EPSG:4326 ", false, "EPSG:4326", -1, false},
      {"utm27 zone 13", true, "LL27", 1, true}, {"UTM27", false, "UTM27", -1, false},
      {"UTM83", true, "UTM83", -1, false},      {"NAD_27", false, "LL27", 1, false}};
  for (const auto& c : cases) {
    const DatumKey key = datumKeyOf(c.name, c.asTarget);
    EXPECT_EQ(std::tie(key.key, key.shiftCode, key.projectToUtm27),
              std::make_tuple(std::string(c.key), c.code, c.utm))
        << '"' << c.name << '"';
  }
  EXPECT_EQ(utmKeyOf("nad 27", 13, true), "LL27-UTM-13-N");
  EXPECT_EQ(utmKeyOf("WGS84", 56, false), "LL84-UTM-56-S");
}

// A coordinate library whose answer the test sets: a status, and half a degree east on success.
class ScriptedLibrary : public CoordinateSystemLibrary {
 public:
  Integer status = DATUM_S_CONVERTED;
  bool failing = false;
  std::string lastFrom, lastTo;

  Integer convert(std::string_view fromKey, std::string_view toKey, Double point[3]) override {
    lastFrom = fromKey;
    lastTo = toKey;
    if (failing) throw std::runtime_error("the library is gone");
    if (status == DATUM_S_CONVERTED) point[0] += 0.5;
    return status;
  }
  bool isValid(std::string_view key) override {
    if (failing) throw std::runtime_error("the library is gone");
    return key == "LL27";
  }
  void setDataDirectory(const std::string&) override {}
  Long messageLevel() override { return 0; }
  void setMessageLevel(Long) override {}
};

// A CONUS grid of constant shifts over 30..33 N, 100..97.125 W: 2.25" north, 4.5" west.
constexpr double kLatShift = 2.25 / 3600, kLonShift = -4.5 / 3600;

class DatumConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const test::GridSpec spec{24, 13, -100, 0.125f, 30, 0.25f};
    test::writeFile(folder.path() / "CONUS.LAS",
                    test::gridBytes(spec, [](int, int) { return 2.25f; }));
    test::writeFile(folder.path() / "CONUS.LOS",
                    test::gridBytes(spec, [](int, int) { return 4.5f; }));
    grids = std::make_shared<NadconGridSet>(folder.path().string());
    ASSERT_EQ(grids->regions().size(), 1u);
  }
  DatumConverter converter(CoordinateSystemLibrary* with) {
    return DatumConverter(with, [this] { return std::shared_ptr<const NadconGridSet>(grids); });
  }
  struct Result {
    double lat, lon;
    Integer status;
  };
  static Result run(DatumConverter& c, double lat, double lon, const char* from, const char* to) {
    Result r{0, 0, 12345};
    c.convert(lat, lon, from, r.lat, r.lon, to, r.status);
    return r;
  }

  test::TemporaryFolder folder;
  std::shared_ptr<NadconGridSet> grids;
  ScriptedLibrary library;
};

bool same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) < 1e-9;
}

TEST_F(DatumConverterTest, TakesTheLibrarysResultOrFallsBackToTheGridShift) {
  DatumConverter c = converter(&library);
  const UtmCoordinates viaLibrary = latLonToUtm(31, -98.5),
                       viaGrid = latLonToUtm(31 - kLatShift, -99 - kLonShift);
  constexpr Integer ok = DATUM_S_CONVERTED, none = DATUM_S_NOACCURATEOPERATION;
  const double nan = std::nan(""), huge = HUGE_VAL;
  const struct {
    Integer library;  // the library's status
    double lat, lon;
    const char *from, *to;
    Integer status;
    double outLat, outLon;
    const char *libFrom, *libTo;  // the keys the library was given; null: not called
  } cases[] = {
      {ok, 31, -99, "nad 27", " wgs 84", ok, 31, -98.5, "LL27", "LL84"},
      {ok, 31, -99, " My Datum ", "EPSG:26915", ok, 31, -98.5, "My Datum", "EPSG:26915"},
      {ok, 31, -99, "NAD27", "UTM27 Zone 14", ok, viaLibrary.northing, viaLibrary.easting, "LL27",
       "LL27"},
      {ok, 95, -99, "NAD27", "UTM27", DATUM_S_PROJECTIONFAILED, 95, -99, "LL27", "LL27"},
      // The grid shift takes over only between different codes of the name table.
      {none, 31, -99, "NAD27", "NAD83", ok, 31 + kLatShift, -99 + kLonShift, "LL27", "LL83"},
      {none, 31, -99, "NAD83", "NAD27", ok, 31 - kLatShift, -99 - kLonShift, "LL83", "LL27"},
      {none, 31, -99, "NAD83", "utm27", ok, viaGrid.northing, viaGrid.easting, "LL83", "LL27"},
      {none, 31, -99, "No Adjustment", "NAD83", ok, 31, -99, "LL", "LL83"},
      {none, 31, -99, "NAD27", "No Adjustment", ok, 31, -99, "LL27", "LL"},
      {none, 31, -99, "NAD83", "WGS84", none, 31, -99, "LL83", "LL84"},
      {none, 31, -99, "NAD27", "Mars 2000", none, 31, -99, "LL27", "Mars 2000"},
      {none, 31, -99, "Mars 2000", "NAD83", none, 31, -99, "Mars 2000", "LL83"},
      {none, 45, 10, "NAD27", "NAD83", DATUM_S_OUTSIDEGRIDS, 45, 10, "LL27", "LL83"},
      {none, nan, -99, "NAD27", "NAD83", DATUM_S_BADPOSITION, nan, -99, nullptr, nullptr},
      {none, huge, -99, "NAD27", "NAD83", DATUM_S_BADPOSITION, huge, -99, nullptr, nullptr},
      {none, 31, huge, "NAD27", "NAD83", DATUM_S_BADPOSITION, 31, huge, nullptr, nullptr}};
  for (const auto& k : cases) {
    library.status = k.library;
    library.lastFrom = library.lastTo = "-";
    const Result r = run(c, k.lat, k.lon, k.from, k.to);
    EXPECT_EQ(r.status, k.status) << k.from << " -> " << k.to << " at " << k.lat << ' ' << k.lon;
    EXPECT_TRUE(same(r.lat, k.outLat) && same(r.lon, k.outLon))
        << k.from << " -> " << k.to << ": " << r.lat << ' ' << r.lon;
    EXPECT_EQ(library.lastFrom + ' ' + library.lastTo,
              k.libFrom ? std::string(k.libFrom) + ' ' + k.libTo : "- -")
        << k.from << " -> " << k.to;
  }
}

TEST_F(DatumConverterTest, KeyValidityFailuresMarkTheLibraryToo) {
  DatumConverter c = converter(&library);
  EXPECT_TRUE(c.isValidKey(" LL27 "));
  EXPECT_FALSE(c.isValidKey("LL99"));
  library.failing = true;
  EXPECT_FALSE(c.isValidKey("LL27"));
  EXPECT_FALSE(c.libraryUsable());
}

// ---- PROJ as the library ----------------------------------------------------------------------

class ProjLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_proj = std::make_unique<ProjTransformer>(); }
  static void TearDownTestSuite() { s_proj.reset(); }
  static Integer convert(const char* from, const char* to, double& lon, double& lat) {
    Double point[3] = {lon, lat, 0};
    const Integer status = s_proj->convert(from, to, point);
    lon = point[0];
    lat = point[1];
    return status;
  }
  // Whether PROJ's own grid for NAD27 to NAD83 in CONUS is installed on this machine.
  static bool conusGridInstalled() {
    for (const auto& candidate : s_proj->candidates("LL27", "LL83")) {
      if (candidate.name.find("NAD27 to NAD83 (1)") != std::string::npos)
        return candidate.instantiable;
    }
    return false;
  }
  static std::unique_ptr<ProjTransformer> s_proj;
};
std::unique_ptr<ProjTransformer> ProjLibraryTest::s_proj;

TEST_F(ProjLibraryTest, ConvertsOnlyWhereItsBestOperationCanRun) {
  // Meades Ranch: without PROJ's CONUS grid only a Helmert step, metres off, which must fail.
  double lon = -98.541807, lat = 39.224079;
  if (conusGridInstalled()) {
    EXPECT_EQ(convert("LL27", "LL83", lon, lat), DATUM_S_CONVERTED);
    EXPECT_LT(metresBetween(lat, lon, 39.22408916, -98.54215200), 0.01);
  } else {
    EXPECT_EQ(convert("LL27", "LL83", lon, lat), DATUM_S_NOACCURATEOPERATION);
    EXPECT_EQ(std::make_pair(lon, lat), std::make_pair(-98.541807, 39.224079));
  }
  // Anchorage: NAD83 to WGS84 (1), a null Helmert, is the best there is.
  lon = -149.9, lat = 61.2;
  EXPECT_EQ(convert("LL84", "LL83", lon, lat), DATUM_S_CONVERTED);
  EXPECT_NEAR(lon, -149.9, 1e-9);
  EXPECT_NEAR(lat, 61.2, 1e-9);
  // Paris: only a ballpark offset relates WGS84 and NAD83 there.
  lon = 2.35, lat = 48.85;
  EXPECT_EQ(convert("LL84", "LL83", lon, lat), DATUM_S_NOACCURATEOPERATION);
  EXPECT_EQ(lon, 2.35);
}

// Mount Rainier: the best operation needs a HARN grid; the 4 m fallback is taken.
TEST_F(ProjLibraryTest, AcceptsAFallbackOfStatedAccuracy) {
  double lon = -121.7, lat = 46.6;
  ASSERT_EQ(convert("LL83", "LL84", lon, lat), DATUM_S_CONVERTED);
  EXPECT_LT(metresBetween(46.6, -121.7, lat, lon), 5.0);
}

TEST_F(ProjLibraryTest, UtmKeysProjectLikeTheHelperDoes) {
  const struct {
    const char *from, *key;
    double lat, lon;
    Integer zone;
  } cases[] = {{"LL27", "LL27-UTM-13-N", 40, -105, 13},
               {"LL27", "LL27-UTM-13-N", 47, -108.5, 13},  // half a degree past the zone edge
               {"LL27", "LL27-UTM-56-S", -33.86, 151.21, 56},
               // "LL" has no datum: it takes the other side's, so only the projection happens.
               {"LL", "LL27-UTM-13-N", 40, -105, 13}};
  for (const auto& c : cases) {
    double lon = c.lon, lat = c.lat;
    ASSERT_EQ(convert(c.from, c.key, lon, lat), DATUM_S_CONVERTED) << c.key;
    const UtmCoordinates utm = latLonToUtm(c.lat, c.lon, c.zone);
    EXPECT_NEAR(lon, utm.easting, 1e-3) << c.key;
    EXPECT_NEAR(lat, utm.northing, 1e-3) << c.key;
  }
}

TEST_F(ProjLibraryTest, KnowsItsKeysAndPassesOthersToProj) {
  for (const char* key : {"LL27", "LL", "EPSG:26915", "LL84-UTM-60-S", "amersfoort",
                          "+proj=longlat +ellps=GRS80 +type=crs"})
    EXPECT_TRUE(s_proj->isValid(key)) << key;
  for (const char* key : {"LL27-UTM-61-N", "LL27-UTM-13-X", "LL-UTM-13-N", "-UTM-13-N", "", "FOO"})
    EXPECT_FALSE(s_proj->isValid(key)) << '"' << key << '"';

  const struct {
    const char *from, *to;
    Integer status;
  } conversions[] = {{"NOT A DATUM", "LL83", DATUM_S_UNKNOWNKEY},
                     {"FOO", "LL84", DATUM_S_UNKNOWNKEY},  // a loose database match is no name
                     {"LL", "LL83", DATUM_S_CONVERTED},
                     {"LL", "LL", DATUM_S_CONVERTED},
                     {"WGS 84", "LL84", DATUM_S_CONVERTED}};  // a name PROJ knows goes through
  for (const auto& c : conversions) {
    double lon = -98, lat = 39;
    EXPECT_EQ(convert(c.from, c.to, lon, lat), c.status) << c.from << " -> " << c.to;
    EXPECT_EQ(std::make_pair(lon, lat), std::make_pair(-98.0, 39.0)) << c.from << " -> " << c.to;
  }
}

TEST(ProjLibraryFailure, AProjWithoutItsDatabaseIsMarkedUnusable) {
  test::TemporaryFolder empty;
  ProjTransformer broken(std::vector<std::string>{empty.path().string()});
  Double point[3] = {-98, 39, 0};
  EXPECT_THROW(broken.convert("LL27", "LL83", point), Error);

  DatumConverter c(&broken, [] { return std::shared_ptr<const NadconGridSet>(); });
  double lat = 0, lon = 0;
  Integer status = 0;
  c.convert(39, -98, "NAD83", lat, lon, "WGS84", status);
  EXPECT_EQ(status, DATUM_S_LIBRARYUNUSABLE);
  EXPECT_EQ(lat, 39);
  EXPECT_FALSE(c.libraryUsable());
  // With no grids to fall back on, NAD27 to NAD83 fails too, and says why.
  c.convert(39, -98, "NAD27", lat, lon, "NAD83", status);
  EXPECT_EQ(status, DATUM_S_NOGRIDS);
}

}  // namespace
}  // namespace tg
