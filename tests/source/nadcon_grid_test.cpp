// NADCON grids: reading and refusing files, shifts, regions, both directions, folders.
#include "source/nadcon_grid.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "source/datum_status.hpp"
#include "source/nadcon_test_files.hpp"
#include "support/paths.hpp"
#include "support/test_environment.hpp"

namespace tg {
namespace {

namespace fs = std::filesystem;
using test::gridBytes;
using test::GridSpec;
using test::metresBetween;
using test::put32;
using test::writeFile;

float latValue(int i, int j) {
  return 10.0f * i + j + 0.5f;
}
float lonValue(int i, int j) {
  return 1.0f * i - 2.0f * j;
}

class NadconFileTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  void write(const std::string& name, const GridSpec& spec,
             const std::function<float(int, int)>& value) {
    writeFile(folder.path() / name, gridBytes(spec, value));
  }
};

TEST_F(NadconFileTest, ReadsTheLayoutAndInterpolatesBilinearly) {
  const GridSpec spec;  // file names are found without regard to case
  write("test.las", spec, latValue);
  write("Test.Los", spec, lonValue);
  std::string problem;
  const auto grid = NadconGrid::read(folder.path().string(), "TEST", problem);
  ASSERT_TRUE(grid) << problem;
  EXPECT_EQ(grid->columns(), 24);
  EXPECT_EQ(grid->rows(), 4);
  EXPECT_DOUBLE_EQ(grid->xmax(), -88.5);
  EXPECT_DOUBLE_EQ(grid->ymax(), 30.75);

  // Values linear in i and j (rows south to north): bilinear interpolation reproduces them.
  double latShift, lonShift;
  for (double fi : {0.0, 0.3, 1.5, 7.0, 22.99, 23.0}) {
    for (double fj : {0.0, 0.5, 1.0, 2.25, 3.0}) {
      grid->shiftAt(30 + 0.25 * fj, -100 + 0.5 * fi, latShift, lonShift);
      EXPECT_NEAR(latShift, 10 * fi + fj + 0.5, 1e-12);
      EXPECT_NEAR(lonShift, fi - 2 * fj, 1e-12);
    }
  }
  EXPECT_TRUE(grid->contains(30.75, -88.5));
  EXPECT_FALSE(grid->contains(30.76, -88.5));
  EXPECT_FALSE(grid->contains(30.5, -88.49));
  EXPECT_FALSE(grid->contains(30.5, -100.01));
}

TEST_F(NadconFileTest, RejectsDamagedFilesAndLeavesTheirRegionOut) {
  const GridSpec spec;
  const std::string good = gridBytes(spec, latValue);
  GridSpec otherSpacing = spec;
  otherSpacing.dx = 0.25f;
  GridSpec zeroSpacing = spec;
  zeroSpacing.dy = 0;
  std::string notANumber = good;
  put32(notANumber, (spec.columns + 1) * 4 * 2 + 8, 0x7FC00000u);
  std::string hugeHeader = good;
  put32(hugeHeader, 64, 0x7FFFFFFF);

  const std::string lon = gridBytes(spec, lonValue);
  const struct {
    const char* what;
    std::string las;
    std::string los;  // empty: no .LOS file
  } cases[] = {
      {"no longitude grid", good, ""},
      {"longer than its records", good + "tail", lon},
      {"cut short", good.substr(0, good.size() - 4), lon},
      {"shorter than a header", good.substr(0, 50), lon},
      {"headers that differ", good, gridBytes(otherSpacing, lonValue)},
      {"zero spacing", gridBytes(zeroSpacing, latValue), gridBytes(zeroSpacing, lonValue)},
      {"a shift that is not a number", notANumber, lon},
      {"an impossible size", hugeHeader, lon},
  };
  for (const auto& c : cases) {
    test::TemporaryFolder place;
    writeFile(place.path() / "CONUS.LAS", c.las);
    if (!c.los.empty()) writeFile(place.path() / "CONUS.LOS", c.los);
    std::string problem;
    EXPECT_FALSE(NadconGrid::read(place.path().string(), "CONUS", problem)) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;

    const NadconGridSet set(place.path().string());
    EXPECT_TRUE(set.regions().empty()) << c.what;
    ASSERT_EQ(set.problems().size(), std::size(NadconGridSet::kRegions)) << c.what;
    EXPECT_EQ(set.problems()[0].rfind("CONUS: ", 0), 0u) << set.problems()[0];
    double lat = 1, lon = 2;
    EXPECT_EQ(set.toNad83(30.5, -99, lat, lon), DATUM_S_NOGRIDS) << c.what;
    EXPECT_EQ(std::pair(lat, lon), std::pair(1.0, 2.0));
  }
}

// ---- The real NGS grids -----------------------------------------------------------------------

double dms(int degrees, int minutes, double seconds) {
  const double magnitude = std::abs(degrees) + minutes / 60.0 + seconds / 3600.0;
  return degrees < 0 ? -magnitude : magnitude;
}

class RealNadconTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_grids = std::make_unique<NadconGridSet>(test::repositoryNadconGrids().string());
  }
  static void TearDownTestSuite() { s_grids.reset(); }
  void SetUp() override { ASSERT_EQ(s_grids->regions().size(), 7u) << s_grids->problems().front(); }
  static std::unique_ptr<NadconGridSet> s_grids;
};
std::unique_ptr<NadconGridSet> RealNadconTest::s_grids;

TEST_F(RealNadconTest, PicksTheMostDetailedGridHoldingThePoint) {
  const struct {
    double lat, lon;
    const char* region;
    double gridLon;
  } cases[] = {
      {57.15, -170.25, "STPAUL", -170.25},    // St. Paul Island, inside ALASKA too
      {57.00, -170.00, "STGEORGE", -170.00},  // on the line the two Pribilof grids share
      {52.90, 173.20, "ALASKA", -186.80},     // Attu, west of 180
      {48.00, -129.50, "CONUS", -129.50},     // the Pacific where CONUS and ALASKA overlap
      {39.22, -98.54, "CONUS", -98.54},       // Meades Ranch
      {18.40, -66.10, "PRVI", -66.10},        // San Juan
  };
  for (const auto& c : cases) {
    double gridLon = 0;
    const NadconGrid* grid = s_grids->regionFor(c.lat, c.lon, gridLon);
    ASSERT_NE(grid, nullptr) << c.region;
    EXPECT_EQ(grid->region(), c.region) << c.lat << " " << c.lon;
    EXPECT_DOUBLE_EQ(gridLon, c.gridLon) << c.region;
  }
}

// Published conversions: Meades Ranch by NGS (0.00001"), PROJ's own NADCON tests (0.001").
TEST_F(RealNadconTest, ReproducesPublishedConversionsToACentimetre) {
  const struct {
    const char* source;
    double lat27, lon27, lat83, lon83, rounding;
  } cases[] = {
      {"NGS, Meades Ranch", dms(39, 13, 26.686), dms(-98, 32, 30.506), dms(39, 13, 26.72098),
       dms(-98, 32, 31.74721), 0.000005},
      {"PROJ", dms(44, 0, 0), dms(-111, 0, 0), dms(43, 59, 59.725), dms(-111, 0, 2.788), 0.0005},
      {"PROJ", dms(39, 0, 0), dms(-111, 0, 0), dms(38, 59, 59.912), dms(-111, 0, 2.604), 0.0005},
      {"PROJ", dms(37, 2, 0), dms(-79, 58, 0), dms(37, 2, 0.501), dms(-79, 57, 59.126), 0.0005},
      {"PROJ", dms(36, 58, 0), dms(-79, 58, 0), dms(36, 58, 0.501), dms(-79, 57, 59.128), 0.0005}};
  for (const auto& c : cases) {
    double lat83 = 0, lon83 = 0;
    ASSERT_EQ(s_grids->toNad83(c.lat27, c.lon27, lat83, lon83), DATUM_S_CONVERTED) << c.source;
    if (c.rounding < 0.0001) {
      EXPECT_LT(metresBetween(lat83, lon83, c.lat83, c.lon83), 0.01) << c.source;
    }
    EXPECT_NEAR(lat83, c.lat83, (c.rounding + 1e-6) / 3600) << c.source;
    EXPECT_NEAR(lon83, c.lon83, (c.rounding + 1e-6) / 3600) << c.source;
  }
}

TEST_F(RealNadconTest, GoesThereAndBackWithinAHundredMillionthOfADegree) {
  const double points[][2] = {{39.224, -98.542}, {25.77, -80.19}, {47.61, -122.33}, {49.99, -67.01},
                              {20.01, -130.99},  {61.2, -149.9},  {52.9, 173.2},    {52.9, -186.8},
                              {57.15, -170.25},  {63.4, -170.3},  {21.3, -157.85},  {18.4, -66.1}};
  for (const auto& p : points) {
    double lat83, lon83, lat27, lon27;
    Integer status = 1;
    gridShift(1, 4, p[0], p[1], lat83, lon83, status, *s_grids);
    ASSERT_EQ(status, DATUM_S_CONVERTED) << p[0] << " " << p[1];
    gridShift(4, 1, lat83, lon83, lat27, lon27, status, *s_grids);
    ASSERT_EQ(status, DATUM_S_CONVERTED) << p[0] << " " << p[1];
    EXPECT_NEAR(lat27, p[0], 1e-8);
    EXPECT_NEAR(lon27, p[1], 1e-8);
  }
}

TEST_F(RealNadconTest, APointOutsideEveryGridKeepsItsPositionAndFails) {
  for (const auto& [lat0, lon0] :
       {std::pair{0.0, 0.0}, {45.0, 10.0}, {-33.9, 151.2}, {80.0, -100.0}})
    for (const auto& [from, to] : {std::pair{1, 4}, {4, 1}}) {
      double lat = 0, lon = 0;
      Integer status = 0;
      gridShift(Integer(from), Integer(to), lat0, lon0, lat, lon, status, *s_grids);
      EXPECT_EQ(std::make_tuple(status, lat, lon),
                std::make_tuple(DATUM_S_OUTSIDEGRIDS, lat0, lon0))
          << from << "->" << to;
    }
}

TEST(NadconGridShift, NoAdjustmentMovesNothingAndUnknownPairsFail) {
  test::TemporaryFolder empty;
  const NadconGridSet none(empty.path().string());
  const struct {
    Integer from, to, status;
  } cases[] = {{0, 1, DATUM_S_CONVERTED}, {4, 0, DATUM_S_CONVERTED}, {1, 1, DATUM_S_CONVERTED},
               {1, 4, DATUM_S_NOGRIDS},   {4, 1, DATUM_S_NOGRIDS},   {2, 4, DATUM_S_NOSHIFT}};
  for (const auto& c : cases) {
    double lat = 0, lon = 0;
    Integer status = 99;
    gridShift(c.from, c.to, 40, -100, lat, lon, status, none);
    EXPECT_EQ(status, c.status) << c.from << "->" << c.to;
    EXPECT_EQ(lat, 40);
    EXPECT_EQ(lon, -100);
  }
}

// A PRVI grid of constant shifts: 3.75" north, 7.5" east (-7.5" west).
void writePrvi(const fs::path& folder, const std::string& name) {
  const GridSpec prvi{30, 3, -68, 0.125f, 17, 1};
  writeFile(folder / (name + ".las"), gridBytes(prvi, [](int, int) { return 3.75f; }));
  writeFile(folder / (name + ".los"), gridBytes(prvi, [](int, int) { return -7.5f; }));
}

TEST(NadconGridShift, TheBaseDirectoryGridsAreReadFromItsNadconFolder) {
  test::TemporaryHome home;
  fs::create_directories(fs::path(home.base()) / "nadcon");
  writePrvi(fs::path(home.base()) / "nadcon", "prvi");
  const auto grids = nadconGrids();
  // An installed copy of the library may add the other regions.
  ASSERT_GE(grids->regions().size(), 1u);
  double lat = 0, lon = 0;
  ASSERT_EQ(grids->toNad83(18, -67, lat, lon), DATUM_S_CONVERTED);
  EXPECT_NEAR(lat, 18 + 3.75 / 3600, 1e-12);
  EXPECT_NEAR(lon, -67 + 7.5 / 3600, 1e-12);  // the longitude shift is positive west
}

TEST(NadconGridShift, EachRegionComesFromTheFirstFolderHoldingIt) {
  test::TemporaryFolder first;
  writePrvi(first.path(), "PRVI");
  writeFile(first.path() / "CONUS.LAS", "damaged");
  const NadconGridSet grids(
      std::vector<std::string>{first.path().string(), test::repositoryNadconGrids().string()});
  ASSERT_EQ(grids.regions().size(), 7u) << grids.problems().front();
  double lat = 0, lon = 0;
  ASSERT_EQ(grids.toNad83(18, -67, lat, lon), DATUM_S_CONVERTED);
  EXPECT_NEAR(lat, 18 + 3.75 / 3600, 1e-12);  // the first folder's PRVI
  // The first folder's damaged CONUS leaves the region to the next folder's real grid.
  ASSERT_EQ(grids.toNad83(39.224079444, -98.541807222, lat, lon), DATUM_S_CONVERTED);
  EXPECT_LT(test::metresBetween(lat, lon, 39.224089161, -98.542152003), 0.01);
}

}  // namespace
}  // namespace tg
