// The area over small SRTM and ESRI ASCII tiles: sectors, queries, limits, logs and errors.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "source/area_test_support.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "test_support.hpp"

namespace tg::area_test {
namespace {

// SRTM tiles 40N 100W to 42N 98W, valued from their own base; "middle" and "corner" lack a node.
constexpr double kNorthWest = 1000, kNorthEast = 8000, kSouthWest = 15000, kSouthEast = 22000;

class AreaTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_tiles = new test::TemporaryFolder;
    const auto& folder = s_tiles->path();
    writeSrtmTile(folder, 41, 100, kNorthWest);
    writeSrtmTile(folder, 41, 99, kNorthEast);
    writeSrtmTile(folder, 40, 100, kSouthWest);
    writeSrtmTile(folder, 40, 99, kSouthEast);
    writeSrtmTile(folder, 40, 100, kNorthWest, 600L * kSrtmNodes + 600, ".middle");
    writeSrtmTile(folder, 40, 100, kNorthEast, 0, ".corner");
  }
  static void TearDownTestSuite() { delete s_tiles; }
  static std::filesystem::path srtm(const std::string& name) {
    return s_tiles->path() / (name + ".hgt");
  }
  static std::vector<std::filesystem::path> block() {
    return {srtm("N41W100"), srtm("N41W099"), srtm("N40W100"), srtm("N40W099")};
  }
  // A 3 x 3 ESRI ASCII grid over the south-west quarter of N40W100, values 1 to 9.
  std::string smallGrid() {
    const auto path = m_home.root() + "small.asc";
    formats_test::writeBytes(path,
                             "ncols 3\nnrows 3\nxllcenter -100\nyllcenter 40\n"
                             "cellsize 0.25\n1 2 3\n4 5 6\n7 8 9\n");
    return path;
  }

  static test::TemporaryFolder* s_tiles;
  test::TemporaryHome m_home;
};
test::TemporaryFolder* AreaTest::s_tiles = nullptr;

TEST_F(AreaTest, SmallerAlignedFilesSetTheSectorSizeAndDirectAccessCanBeRequired) {
  // A one-degree tile and a half-degree grid on one corner make half-degree sectors.
  const auto area = tileArea({srtm("N40W100"), smallGrid()});
  EXPECT_NEAR(area->sectorXRes(), 0.5, 1e-7);
  EXPECT_NEAR(area->sectorYRes(), 0.5, 1e-7);
  EXPECT_EQ(area->numSectors(), 4);
  ASSERT_EQ(area->sectorFileCount(0, 1), 2);  // the south-west quarter
  EXPECT_EQ(area->sectorFile(0, 1, 2)->filename(), smallGrid());
  EXPECT_EQ(area->sectorFileCount(1, 1), 1);
  EXPECT_EQ(area->sectorFileCount(1, 0), 1);
  // SRTM tiles are read cell by cell directly; ESRI ASCII text has no fixed cell offsets.
  for (const bool disable : {false, true}) {
    SCOPED_TRACE(disable ? "left out" : "kept");
    TessaglyphArea area;
    area.addFile(openFile(smallGrid(), "esri_ascii"));
    area.addFile(openFile(srtm("N40W100"), "srtm_hgt"));
    area.setDisableMEXIncapableFiles(disable);
    area.initialize();
    area.setInterpolationMode(TG_M_IM_CLOSESTPOINT);
    ASSERT_EQ(area.sectorFileCount(0, 1), disable ? 1 : 2);
    EXPECT_EQ(area.sectorFile(0, 1, 1), area.files(disable ? 2 : 1));
    EXPECT_EQ(area.point(40.25, -99.75), disable ? srtmValue(kSouthWest, 900, 300) : 5);
  }
}

TEST_F(AreaTest, InitializeRefusesAsWrittenAndFollowsTheInteractionOption) {
  struct Row {
    int files;  // 0: none; 1: one lost file; 2: initialized twice
    std::int32_t number;
    const char* description;
  };
  const Row rows[] = {
      {0, TG_S_E_NOFILES,
       "An area cannot be initialized before any files have been assigned to it."},
      {1, TG_S_E_ALLFILESLOST,
       "An area cannot be initialized if all files are unavailable or 'lost'."},
      {2, TG_S_E_AREAALREADYINITIALIZED, "The area has already been initialized."},
  };
  for (const Row& row : rows) {
    for (const auto option : {TG_S_AIO_NORMAL, TG_S_AIO_SILENTLOGGED, TG_S_AIO_SILENTIGNORE}) {
      SCOPED_TRACE(testing::Message() << row.description << " " << option);
      TessaglyphArea area;
      area.setInteractionOption(option);
      if (row.files > 0) {
        auto file = openFile(srtm("N40W100"), "srtm_hgt");
        file->setIsLost(row.files == 1);
        area.addFile(file);
      }
      if (row.files == 2) area.initialize();
      if (option == TG_S_AIO_NORMAL) {
        EXPECT_TRUE(test::raises([&] { area.initialize(); }, row.number, row.description,
                                 "TessaglyphArea::initialize"));
        continue;
      }
      area.initialize();
      ASSERT_EQ(area.numAreaLogMessages(), option == TG_S_AIO_SILENTLOGGED ? 1 : 0);
      if (option == TG_S_AIO_SILENTLOGGED) {
        EXPECT_TRUE(area.areaLogMessages(1).ends_with("] Error: # " + std::to_string(row.number) +
                                                      " (TessaglyphArea::initialize)"));
      }
    }
  }
}

TEST_F(AreaTest, BadIndexesAndLocationsAreReported) {
  const auto area = tileArea(block());
  for (const auto& action : std::vector<std::function<void()>>{
           [&] { area->files(0); }, [&] { area->files(5); }, [&] { area->fileOpen(5); },
           [&] { area->areaLogMessages(1); }, [&] { area->sectorFile(0, 0, 2); }}) {
    EXPECT_TRUE(test::raises(action, 9, "Subscript out of range", "DLL User"));
  }
  EXPECT_TRUE(test::raises([&] { area->sectorBoundaries(2, 0); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorBoundaries Get"));
  EXPECT_TRUE(test::raises([&] { area->sectorFileCount(0, -1); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorFileCount Get"));
  EXPECT_TRUE(test::raises([&] { area->sectorFile(0, 2, 1); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorFile Get"));
  area->setInteractionOption(TG_S_AIO_SILENTIGNORE);
  EXPECT_EQ(area->files(9), nullptr);
}

TEST_F(AreaTest, MaximumOpenFilesKeepsItsRangeAndClosesFilesWhenLowered) {
  const auto area = tileArea(block());
  EXPECT_EQ(area->numOpenFiles(), 4);
  for (const Integer bad : {Integer(0), Integer(226), Integer(-1)}) {
    EXPECT_TRUE(test::raises([&] { area->setMaximumOpenFiles(bad); }, 17006,
                             "The value for maximumOpenFiles must be in the range 1 <= "
                             "maximumOpenFiles <= 225",
                             "TessaglyphArea::maximumOpenFiles [Let]"));
  }
  area->setMaximumOpenFiles(225);
  area->setMaximumOpenFiles(2);
  EXPECT_EQ(area->numOpenFiles(), 2);
  EXPECT_EQ(area->fileOpen(1) + area->fileOpen(2) + area->fileOpen(3) + area->fileOpen(4), 2);
}

TEST_F(AreaTest, PointQueriesFindTheirSectorAndNeighbour) {
  struct Row {
    const char* name;
    double lat, lon, boundaryResolution;
    TG_S_VALIDATEOPTIONS validate;
    double expected;
  };
  const Row rows[] = {
      {"inside a tile", 41.5, -99.5, 0, TG_S_VO_PREVALIDATE, srtmValue(kNorthWest, 600, 600)},
      {"on the meridian: east", 41.5, -99, 0, TG_S_VO_PREVALIDATE, srtmValue(kNorthEast, 600, 0)},
      {"meridian, border: west", 41.5, -99, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 600, 1200)},
      {"on the parallel: south", 41, -99.5, 0, TG_S_VO_PREVALIDATE, srtmValue(kSouthWest, 0, 600)},
      {"parallel, border: north", 41, -99.5, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 1200, 600)},
      {"on the corner", 41, -99, 0, TG_S_VO_PREVALIDATE, srtmValue(kSouthEast, 0, 0)},
      {"corner, border: north-west", 41, -99, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 1200, 1200)},
      {"west edge: no neighbour", 41.5, -99.995, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 600, 6)},
      {"outer edge: outside", 42, -99.5, 0, TG_S_VO_PREVALIDATE, -32100},
      {"outer edge unchecked", 42, -99.5, 0, TG_S_VO_NOVALIDATE, srtmValue(kNorthWest, 0, 600)},
      {"beyond, unchecked", 43, -99.5, 0, TG_S_VO_NOVALIDATE, -32100},
      {"beyond, files checked", 41.5, -97, 0, TG_S_VO_SOURCEONLY, -32100},
  };
  const auto area = tileArea(block(), TG_M_IM_CLOSESTPOINT);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    area->setBoundaryResolution(row.boundaryResolution);
    area->setPointValidateOption(row.validate);
    EXPECT_EQ(area->point(row.lat, row.lon), row.expected);
  }
  // Files are asked in priority order until one holds data.
  const auto ordered = tileArea({srtm("N40W100.middle"), srtm("N40W100")}, TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(ordered->point(40.5, -99.5), srtmValue(kSouthWest, 600, 600));
  EXPECT_EQ(ordered->point(40.75, -99.5), srtmValue(kNorthWest, 300, 600));
}

TEST_F(AreaTest, AQueryOutsideRaisesWhenAsked) {
  const auto area = tileArea(block());
  area->setInvalidPointHandlingOption(TG_S_IHO_RAISEERROR);
  EXPECT_TRUE(test::raises([&] { area->point(42, -99.5); }, 17004,
                           "(42, -99.5) is not a point contained within the area boundaries.",
                           "TessaglyphArea::point Get"));
  area->setInteractionOption(TG_S_AIO_SILENTLOGGED);
  EXPECT_EQ(area->point(39, -99.5), -32100);
  EXPECT_EQ(area->numAreaLogMessages(), 1);
  EXPECT_EQ(test::errorNumber([] { TessaglyphArea().point(41, -99); }), TG_S_E_AREANOTREADY);
}

TEST_F(AreaTest, MacroInterpolationCompletesAReadThatLacksAPoint) {
  // The first tile lacks node (0, 0), the second has it; the query lies in that node's cell.
  const double first = kNorthEast, second = kSouthWest;
  const double others = srtmValue(first, 0, 1) + srtmValue(first, 1, 0) + srtmValue(first, 1, 1);
  const std::pair<TG_S_MACROINTERPOLATIONOPTIONS, std::optional<double>> rows[] = {
      // Read again, still lacking; then the next file (its corners average to base + 1).
      {TG_S_MIO_DEFAULTTOCLOSESTPOINT, second + 1},
      {TG_S_MIO_USEAVAILDATA, (others - 32100) / 4},
      {TG_S_MIO_MERGEFILEDATA, (others + srtmValue(second, 0, 0)) / 4},
      {TG_S_MIO_RETURNLOWELEVATION, second + 1},
      {TG_S_MIO_RAISEERROR, std::nullopt},  // 17005
  };
  const auto area = tileArea({srtm("N40W100.corner"), srtm("N40W100")}, TG_M_IM_4POINT);
  const double lat = 41 - kSrtmSpacing / 2, lon = -100 + kSrtmSpacing / 2;
  for (const auto& [option, expected] : rows) {
    SCOPED_TRACE(option);
    area->setMacroInterpolationOption(option);
    if (expected) {
      EXPECT_NEAR(area->point(lat, lon), *expected, 1e-2);
    } else {
      EXPECT_TRUE(test::raises([&] { area->point(lat, lon); }, 17005,
                               "There was not enough data to perform the desired interpolation",
                               "TessaglyphArea"));
    }
    EXPECT_EQ(area->files(1)->interpolationMode(), TG_M_IM_4POINT);
  }
}

// With room for one file, adding a second closes one; each query closes the other file (event 4)
// and opens its own (event 3), and a closed file holds no descriptor.
TEST_F(AreaTest, OneOpenFileAlternatesBetweenTwoFiles) {
  {
    // A first read opens the datum database for good: it stays out of the files' share.
    const auto first = openFile(srtm("N41W100"), "srtm_hgt");
    first->machine()->setInterpolationMode(TG_M_IM_CLOSESTPOINT);
    EXPECT_EQ(first->point(41.5, -99.5), srtmValue(kNorthWest, 600, 600));
    first->closeSource();
  }
  const int baseline = openDescriptors();
  TessaglyphArea area;
  area.setMaximumOpenFiles(1);
  area.addFile(openFile(srtm("N41W100"), "srtm_hgt"));
  area.addFile(openFile(srtm("N41W099"), "srtm_hgt"));
  area.initialize();
  EXPECT_EQ(openDescriptors(), baseline + 1);
  area.setFileOpen(1, true);
  auto log = std::make_shared<TessaglyphAreaRateLog>();
  area.setRateLog(log);
  log->start();
  for (const Integer wanted : {2, 1, 2, 1}) {
    EXPECT_EQ(area.point(41.5, wanted == 1 ? -99.5 : -98.5),
              srtmValue(wanted == 1 ? kNorthWest : kNorthEast, 600, 600));
    EXPECT_EQ(area.numOpenFiles(), 1);
    EXPECT_TRUE(area.fileOpen(wanted));
    EXPECT_EQ(openDescriptors(), baseline + 1);
  }
  std::vector<std::pair<int, Long>> fileEvents;
  for (Long i = 0; i < log->numEvents(); ++i) {
    const TG_ARL_RATEEVENT event = log->rateEvent(i);
    if (event.eventType == TG_ARL_RET_FILEOPEN || event.eventType == TG_ARL_RET_FILECLOSE)
      fileEvents.emplace_back(event.eventType, event.data);
  }
  EXPECT_EQ(fileEvents, (std::vector<std::pair<int, Long>>{
                            {4, 1}, {3, 2}, {4, 2}, {3, 1}, {4, 1}, {3, 2}, {4, 2}, {3, 1}}));
  EXPECT_EQ(log->numPoints(), 4);
  area.closeArea();
  EXPECT_EQ(area.numOpenFiles(), 0);
  EXPECT_EQ(openDescriptors(), baseline);
}

TEST_F(AreaTest, TheLeastRecentlyUsedFileIsChosenAsWritten) {
  struct Row {
    const char* name;
    std::array<Single, 3> access;
    Single now;
    Integer expected;
  };
  const Row rows[] = {
      {"oldest", {10, 20, 30}, 100, 1},
      {"a tie: the later file", {30, 20, 20}, 100, 3},
      {"all after now: none", {50, 60, 70}, 40, -1},
      {"equal to now", {50, 40, 70}, 40, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TessaglyphArea area([&] { return row.now; });
    for (int i = 0; i < 3; ++i) {
      const Single at = row.access[std::size_t(i)];
      area.addFile(openFile(block()[std::size_t(i)], "srtm_hgt", [at] { return at; }));
    }
    EXPECT_EQ(area.mostIgnoredOpenFile(), row.expected);
  }
}

TEST_F(AreaTest, ModeDatumAndLockReachEveryFile) {
  const auto area = tileArea(block());
  area->setInterpolationMode(TG_M_IM_12POINT);
  area->setDatalock(TG_M_DL_FALSE);
  area->setAreaDatum("WGS84");
  for (Integer i = 1; i <= area->numFiles(); ++i) {
    EXPECT_EQ(area->files(i)->interpolationMode(), TG_M_IM_12POINT);
    EXPECT_EQ(area->files(i)->dataLock(), TG_M_DL_FALSE);
    EXPECT_EQ(area->files(i)->currentDatum(), "WGS84");
  }
  EXPECT_TRUE(area->allFilesCanInterpolate(TG_M_IM_NONE));
  // The SRTM script lets the machine gather points; it declares no mode of its own.
  EXPECT_FALSE(area->allFilesCanInterpolate(TG_M_IM_4POINT));
  EXPECT_EQ(area->interpolationIncapableFiles(TG_M_IM_4POINT).size(), 4u);
}

TEST_F(AreaTest, TheAreaLogJoinsTheAreaAndItsFiles) {
  const auto area = tileArea({srtm("N41W100"), srtm("N41W099")});
  area->logMessage("first");
  area->files(2)->logMessage("from the file");
  const std::string title = "FILE 2 (" + area->files(2)->filename() + ") MESSAGES";
  EXPECT_NE(area->createAreaLog().find(title + "\r\n" + std::string(title.size(), '-') + "\r\n["),
            std::string::npos);
  area->clearAreaLog();
  EXPECT_EQ(area->numAreaLogMessages(), 0);
  EXPECT_NE(area->createAreaLog().find("from the file"), std::string::npos);
  area->clearAllLogs();
  EXPECT_EQ(area->createAreaLog().find("from the file"), std::string::npos);
}

TEST_F(AreaTest, GetPathAnswersEveryPosition) {
  const auto area = tileArea(block(), TG_M_IM_CLOSESTPOINT);
  const Array<Double> lat(0, {41.5, 40.5, 43.0}), lon(0, {-99.5, -98.5, -99.0});
  const Single southEast = Single(srtmValue(kSouthEast, 600, 600));
  Array<Single> elevations;
  Boolean failed = true;
  area->Get_Path(lat, lon, elevations, failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(elevations,
            Array<Single>(0, {Single(srtmValue(kNorthWest, 600, 600)), southEast, -32100.0f}));
  area->Get_Path(lat, Array<Double>(1, {1.0, 2.0, 3.0}), elevations, failed);
  EXPECT_TRUE(failed);
  area->setInvalidPointHandlingOption(TG_S_IHO_RAISEERROR);
  area->Get_Path(lat, lon, elevations, failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(elevations, Array<Single>(0, {elevations[0], southEast, -52000.0f}));
}

}  // namespace
}  // namespace tg::area_test
