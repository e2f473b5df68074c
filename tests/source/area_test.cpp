// The area mosaic over small ESRI ASCII tiles: sectors, the point query and its neighbour
// lookups, priority order, macro interpolation, the open-file limit, logs and errors.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <set>

#include "source/area_test_support.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "tessaglyph/method_counter.hpp"
#include "test_support.hpp"

namespace tg::area_test {
namespace {

// A 2x2 block of SRTM tiles from 40N 100W to 42N 98W; each tile's values start at its own base,
// so a value tells which tile gave it. Two more tiles share the south-west corner: the first
// lacks node (600, 600), the second node (0, 0).
constexpr double kNorthWest = 1000, kNorthEast = 8000, kSouthWest = 15000, kSouthEast = 22000;
constexpr double kSpacing = kSrtmSpacing;

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
  static void TearDownTestSuite() {
    delete s_tiles;
    s_tiles = nullptr;
  }
  static std::filesystem::path srtm(const std::string& name) {
    return s_tiles->path() / (name + ".hgt");
  }
  static std::vector<std::filesystem::path> block() {
    return {srtm("N41W100"), srtm("N41W099"), srtm("N40W100"), srtm("N40W099")};
  }
  std::filesystem::path asciiTile(int south, int west, double base) {
    return writeAsciiTile(m_home.root(), south, west, base);
  }

  static test::TemporaryFolder* s_tiles;
  test::TemporaryHome m_home;
};
test::TemporaryFolder* AreaTest::s_tiles = nullptr;

TEST_F(AreaTest, FourTilesMakeTwoSectorsPerAxisEachListingItsTile) {
  const auto area = tileArea(block());
  EXPECT_EQ(area->numSectorsX(), 2);
  EXPECT_EQ(area->numSectorsY(), 2);
  EXPECT_EQ(area->numSectors(), 4);
  EXPECT_EQ(area->sectorXRes(), 1);
  EXPECT_EQ(area->sectorYRes(), 1);
  EXPECT_EQ(area->areaMinX(), -100);
  EXPECT_EQ(area->areaMaxX(), -98);
  EXPECT_EQ(area->areaMinY(), 40);
  EXPECT_EQ(area->areaMaxY(), 42);
  struct Row {
    Integer x, y, file;
    double west, north;
  };
  // Rows are counted from the north.
  for (const Row& row : {Row{0, 0, 1, -100, 42}, Row{1, 0, 2, -99, 42}, Row{0, 1, 3, -100, 41},
                         Row{1, 1, 4, -99, 41}}) {
    SCOPED_TRACE(testing::Message() << "sector " << row.x << "," << row.y);
    ASSERT_EQ(area->sectorFileCount(row.x, row.y), 1);
    EXPECT_EQ(area->sectorFile(row.x, row.y, 1), area->files(row.file));
    const TG_BOUNDS bounds = area->sectorBoundaries(row.x, row.y);
    EXPECT_EQ(bounds.westLon, row.west);
    EXPECT_EQ(bounds.eastLon, row.west + 1);
    EXPECT_EQ(bounds.northLat, row.north);
    EXPECT_EQ(bounds.southLat, row.north - 1);
  }
  EXPECT_EQ(area->getSectorX(-99), 1);
  EXPECT_EQ(area->getSectorY(41), 1);
  EXPECT_EQ(area->getSectorY(41.5), 0);
}

TEST_F(AreaTest, SmallerAlignedFilesSetTheSectorSizeAndOverlapIsStrict) {
  // A one-degree tile and a half-degree grid on the same corner: sectors of half a degree (the
  // ASCII script reaches a ten-millionth of a cell past its outer nodes). The small grid is
  // listed after the tile, and not where it only touches a sector.
  const auto small = m_home.root() + "small.asc";
  formats_test::writeBytes(small,
                           "ncols 3\nnrows 3\nxllcenter -100\nyllcenter 40\ncellsize 0.25\n"
                           "1 2 3\n4 5 6\n7 8 9\n");
  const auto area = tileArea({srtm("N40W100"), small});
  EXPECT_NEAR(area->sectorXRes(), 0.5, 1e-7);
  EXPECT_NEAR(area->sectorYRes(), 0.5, 1e-7);
  EXPECT_EQ(area->numSectorsX(), 2);
  EXPECT_EQ(area->numSectorsY(), 2);
  ASSERT_EQ(area->sectorFileCount(0, 1), 2);  // the south-west quarter
  EXPECT_EQ(area->sectorFile(0, 1, 2)->filename(), small);
  EXPECT_EQ(area->sectorFileCount(1, 1), 1);
  EXPECT_EQ(area->sectorFileCount(1, 0), 1);
}

TEST_F(AreaTest, FilesWithoutDirectGridAccessCanBeLeftOutOfTheSectors) {
  // SRTM tiles are read cell by cell directly; ESRI ASCII text has no fixed cell offsets.
  const auto small = m_home.root() + "small.asc";
  formats_test::writeBytes(small,
                           "ncols 3\nnrows 3\nxllcenter -100\nyllcenter 40\ncellsize 0.25\n"
                           "1 2 3\n4 5 6\n7 8 9\n");
  for (const bool disable : {false, true}) {
    SCOPED_TRACE(disable ? "left out" : "kept");
    TessaglyphArea area;
    area.addFile(openFile(small, "esri_ascii"));
    area.addFile(openFile(srtm("N40W100"), "srtm_hgt"));
    area.setDisableMEXIncapableFiles(disable);
    area.initialize();
    area.setInterpolationMode(TG_M_IM_CLOSESTPOINT);
    ASSERT_FALSE(area.files(1)->machine()->enableMEX());
    ASSERT_TRUE(area.files(2)->machine()->enableMEX());
    // The south-west quarter, where the grid lies before the tile in priority order.
    ASSERT_EQ(area.sectorFileCount(0, 1), disable ? 1 : 2);
    EXPECT_EQ(area.sectorFile(0, 1, 1), area.files(disable ? 2 : 1));
    EXPECT_EQ(area.point(40.25, -99.75), disable ? srtmValue(kSouthWest, 900, 300) : 5);
  }
}

TEST_F(AreaTest, TheSameBoundsCountAsOverlap) {
  const auto area = tileArea({srtm("N40W100"), srtm("N40W100.middle")});
  EXPECT_EQ(area->numSectors(), 1);
  EXPECT_EQ(area->sectorFileCount(0, 0), 2);
}

TEST_F(AreaTest, InitializeRefusesAsWrittenAndFollowsTheInteractionOption) {
  struct Row {
    const char* name;
    int files;  // 0: none; 1: one lost file; 2: initialized twice
    std::int32_t number;
    const char* description;
  };
  const Row rows[] = {
      {"no files", 0, TG_S_E_NOFILES,
       "An area cannot be initialized before any files have been assigned to it."},
      {"all lost", 1, TG_S_E_ALLFILESLOST,
       "An area cannot be initialized if all files are unavailable or 'lost'."},
      {"twice", 2, TG_S_E_AREAALREADYINITIALIZED, "The area has already been initialized."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto option : {TG_S_AIO_NORMAL, TG_S_AIO_SILENTLOGGED, TG_S_AIO_SILENTIGNORE}) {
      TessaglyphArea area;
      area.setInteractionOption(option);
      if (row.files > 0) {
        auto file = openFile(srtm("N40W100"), "srtm_hgt");
        if (row.files == 1) file->setIsLost(true);
        area.addFile(file);
      }
      if (row.files == 2) area.initialize();
      if (option == TG_S_AIO_NORMAL) {
        EXPECT_TRUE(test::raises([&] { area.initialize(); }, row.number, row.description,
                                 "TessaglyphArea::initialize"));
      } else {
        area.initialize();
        const Integer lines = option == TG_S_AIO_SILENTLOGGED ? 1 : 0;
        ASSERT_EQ(area.numAreaLogMessages(), lines);
        if (lines == 1) {
          EXPECT_TRUE(area.areaLogMessages(1).ends_with("] Error: # " + std::to_string(row.number) +
                                                        " (TessaglyphArea::initialize)"));
        }
      }
    }
  }
}

TEST_F(AreaTest, BadIndexesAndLocationsAreReported) {
  const auto area = tileArea(block());
  const auto subscript = [](auto action) {
    return test::raises(action, 9, "Subscript out of range", "DLL User");
  };
  EXPECT_TRUE(subscript([&] { area->files(0); }));
  EXPECT_TRUE(subscript([&] { area->files(5); }));
  EXPECT_TRUE(subscript([&] { area->fileOpen(5); }));
  EXPECT_TRUE(subscript([&] { area->areaLogMessages(1); }));
  EXPECT_TRUE(subscript([&] { area->sectorFile(0, 0, 2); }));
  EXPECT_TRUE(test::raises([&] { area->sectorBoundaries(2, 0); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorBoundaries Get"));
  EXPECT_TRUE(test::raises([&] { area->sectorFileCount(0, -1); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorFileCount Get"));
  EXPECT_TRUE(test::raises([&] { area->sectorFile(0, 2, 1); }, 17007, "Bad sector location",
                           "TessaglyphArea::sectorFile Get"));
  area->setInteractionOption(TG_S_AIO_SILENTIGNORE);
  EXPECT_EQ(area->files(9), nullptr);
  EXPECT_EQ(area->sectorFileCount(7, 7), 0);
}

TEST_F(AreaTest, MaximumOpenFilesKeepsItsRangeAndClosesFilesWhenLowered) {
  const auto area = tileArea(block());
  EXPECT_EQ(area->maximumOpenFiles(), 225);
  EXPECT_EQ(area->numOpenFiles(), 4);
  for (const Integer bad : {Integer(0), Integer(226), Integer(-1)}) {
    EXPECT_TRUE(test::raises([&] { area->setMaximumOpenFiles(bad); }, 17006,
                             "The value for maximumOpenFiles must be in the range 1 <= "
                             "maximumOpenFiles <= 225",
                             "TessaglyphArea::maximumOpenFiles [Let]"));
    EXPECT_EQ(area->maximumOpenFiles(), 225);
  }
  area->setMaximumOpenFiles(2);
  EXPECT_EQ(area->numOpenFiles(), 2);
  int open = 0;
  for (Integer i = 1; i <= 4; ++i)
    open += area->fileOpen(i) ? 1 : 0;
  EXPECT_EQ(open, 2);
}

TEST_F(AreaTest, SettingsGiveTheOpenFileLimitAndTheBorderDistance) {
  struct Row {
    const char* ini;
    Integer maximum;
    double border;
  };
  for (const Row& row :
       {Row{"", 225, 0}, Row{"[Tessa Glyph]\nexists=True\nmax open area files=10\n", 10, 0},
        Row{"[Tessa Glyph]\nexists=False\nmax open area files=10\n", 225, 0},
        Row{"[Tessa Glyph]\nexists=True\nmax open area files=300\n", 225, 0},
        Row{"[Tessa Glyph]\nexists=True\nmax open area files=0\n", 225, 0},
        Row{"[TessaglyphArea]\nm_boundaryResolution=0.001\n", 225, 0.001}}) {
    SCOPED_TRACE(row.ini);
    m_home.writeFile("base/Tessaglyph.ini", row.ini);
    TessaglyphArea area;
    EXPECT_EQ(area.maximumOpenFiles(), row.maximum);
    EXPECT_EQ(area.boundaryResolution(), row.border);
    EXPECT_TRUE(area.checkBoundaryPoints());
  }
}

// ---- The point query ------------------------------------------------------------------------

struct QueryRow {
  const char* name;
  double lat, lon;
  double boundaryResolution;
  TG_S_VALIDATEOPTIONS validate;
  double expected;
};

TEST_F(AreaTest, PointQueriesFindTheirSectorAndNeighbour) {
  const auto area = tileArea(block(), TG_M_IM_CLOSESTPOINT);
  const QueryRow rows[] = {
      {"inside a tile", 41.5, -99.5, 0, TG_S_VO_PREVALIDATE, srtmValue(kNorthWest, 600, 600)},
      {"on the meridian: the east sector", 41.5, -99, 0, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthEast, 600, 0)},
      {"on the meridian near a border: west first", 41.5, -99, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 600, 1200)},
      {"on the parallel: the south sector", 41, -99.5, 0, TG_S_VO_PREVALIDATE,
       srtmValue(kSouthWest, 0, 600)},
      {"on the parallel near a border: north first", 41, -99.5, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 1200, 600)},
      {"on the corner", 41, -99, 0, TG_S_VO_PREVALIDATE, srtmValue(kSouthEast, 0, 0)},
      {"on the corner near a border: north-west first", 41, -99, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 1200, 1200)},
      {"near the area's west edge: no neighbour", 41.5, -99.995, 0.01, TG_S_VO_PREVALIDATE,
       srtmValue(kNorthWest, 600, 6)},
      {"on the outer edge: outside", 42, -99.5, 0, TG_S_VO_PREVALIDATE, -32100},
      {"on the outer edge unchecked", 42, -99.5, 0, TG_S_VO_NOVALIDATE,
       srtmValue(kNorthWest, 0, 600)},
      {"beyond the area unchecked", 43, -99.5, 0, TG_S_VO_NOVALIDATE, -32100},
      {"beyond the area, files checked", 41.5, -97, 0, TG_S_VO_SOURCEONLY, -32100},
  };
  for (const QueryRow& row : rows) {
    SCOPED_TRACE(row.name);
    area->setBoundaryResolution(row.boundaryResolution);
    area->setPointValidateOption(row.validate);
    EXPECT_EQ(area->point(row.lat, row.lon), row.expected);
  }
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
  TessaglyphArea empty;
  EXPECT_EQ(test::errorNumber([&] { empty.point(41, -99); }), TG_S_E_AREANOTREADY);
}

TEST_F(AreaTest, FilesAreAskedInPriorityOrderUntilOneHoldsData) {
  const auto area = tileArea({srtm("N40W100.middle"), srtm("N40W100")}, TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(area->point(40.5, -99.5), srtmValue(kSouthWest, 600, 600));
  EXPECT_EQ(area->point(40.75, -99.5), srtmValue(kNorthWest, 300, 600));
}

TEST_F(AreaTest, MacroInterpolationCompletesAReadThatLacksAPoint) {
  // The first tile lacks node (0, 0); the second, on the same grid, has it. The query lies in
  // the cell whose corners are nodes (0, 0), (0, 1), (1, 0) and (1, 1), halfway between them.
  struct Row {
    TG_S_MACROINTERPOLATIONOPTIONS option;
    std::optional<double> expected;  // none: 17005
  };
  const double first = kNorthEast, second = kSouthWest;
  const double others = srtmValue(first, 0, 1) + srtmValue(first, 1, 0) + srtmValue(first, 1, 1);
  const double secondAlone = second + 1;  // the mean of its four corners
  const Row rows[] = {
      // Not closest-point capable by their own scripts: read again, still lacking; next file.
      {TG_S_MIO_DEFAULTTOCLOSESTPOINT, secondAlone},
      {TG_S_MIO_USEAVAILDATA, (others - 32100) / 4},
      {TG_S_MIO_MERGEFILEDATA, (others + srtmValue(second, 0, 0)) / 4},
      {TG_S_MIO_RETURNLOWELEVATION, secondAlone},
      {TG_S_MIO_RAISEERROR, std::nullopt},
  };
  const auto area = tileArea({srtm("N40W100.corner"), srtm("N40W100")}, TG_M_IM_4POINT);
  const double lat = 41 - kSpacing / 2, lon = -100 + kSpacing / 2;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.option);
    area->setMacroInterpolationOption(row.option);
    if (row.expected) {
      EXPECT_NEAR(area->point(lat, lon), *row.expected, 1e-2);
    } else {
      EXPECT_TRUE(test::raises([&] { area->point(lat, lon); }, 17005,
                               "There was not enough data to perform the desired interpolation",
                               "TessaglyphArea"));
    }
    EXPECT_EQ(area->files(1)->interpolationMode(), TG_M_IM_4POINT);
  }
}

// ---- Open files -----------------------------------------------------------------------------

TEST_F(AreaTest, OneOpenFileAlternatesBetweenTwoFiles) {
  const auto area = tileArea({srtm("N41W100"), srtm("N41W099")});
  area->setMaximumOpenFiles(1);
  area->setFileOpen(1, true);
  ASSERT_EQ(area->numOpenFiles(), 1);
  auto log = std::make_shared<TessaglyphAreaRateLog>();
  area->setRateLog(log);
  log->start();
  std::vector<std::pair<int, Long>> fileEvents;
  for (int i = 0; i < 6; ++i) {
    const Integer wanted = Integer(2 - i % 2);
    const double lon = wanted == 1 ? -99.5 : -98.5;
    EXPECT_EQ(area->point(41.5, lon), srtmValue(wanted == 1 ? kNorthWest : kNorthEast, 600, 600));
    EXPECT_EQ(area->numOpenFiles(), 1);
    EXPECT_TRUE(area->fileOpen(wanted));
    EXPECT_FALSE(area->fileOpen(Integer(3 - wanted)));
  }
  for (Long i = 0; i < log->numEvents(); ++i) {
    const TG_ARL_RATEEVENT event = log->rateEvent(i);
    if (event.eventType == TG_ARL_RET_FILEOPEN || event.eventType == TG_ARL_RET_FILECLOSE)
      fileEvents.emplace_back(event.eventType, event.data);
  }
  // Each query closes the other file (event 4) and opens its own (event 3).
  const std::vector<std::pair<int, Long>> expected = {{4, 1}, {3, 2}, {4, 2}, {3, 1},
                                                      {4, 1}, {3, 2}, {4, 2}, {3, 1},
                                                      {4, 1}, {3, 2}, {4, 2}, {3, 1}};
  EXPECT_EQ(fileEvents, expected);
  EXPECT_EQ(log->numPoints(), 6);
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
      {"one before now", {50, 30, 70}, 40, 2},
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

TEST_F(AreaTest, ManyFilesNeverHoldMoreDescriptorsThanTheLimit) {
  m_home.writeFile("base/Tessaglyph.ini", "[Tessa Glyph]\nexists=True\nmax open area files=10\n");
  std::vector<std::filesystem::path> tiles;
  for (int south = 0; south < 15; ++south) {
    for (int west = 0; west < 15; ++west)
      tiles.push_back(asciiTile(south, west, 100 * (south * 15 + west)));
  }
  {
    // The first position converted opens the datum database, which then stays open for the
    // whole process: a read before the count keeps it out of the files' share.
    const auto first = openFile(tiles.front(), "esri_ascii");
    first->machine()->setInterpolationMode(TG_M_IM_CLOSESTPOINT);
    EXPECT_EQ(first->point(0.53, 0.47), tileValue(0, 2, 2));
    first->closeSource();
  }
  const int baseline = openDescriptors();
  TessaglyphArea area;
  ASSERT_EQ(area.maximumOpenFiles(), 10);
  for (const auto& path : tiles) {
    area.addFile(openFile(path, "esri_ascii"));
    ASSERT_LE(openDescriptors(), baseline + 10);
  }
  area.initialize();
  area.setInterpolationMode(TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(area.numSectors(), 225);
  // Each open file holds its grid open: the count is the limit exactly.
  EXPECT_EQ(openDescriptors(), baseline + 10);
  // Positions near interior nodes, so that no neighbour's edge is nearer.
  std::mt19937 random(3);
  std::uniform_int_distribution<int> tileIndex(0, 14), node(1, 3);
  for (int i = 0; i < 150; ++i) {
    const int south = tileIndex(random), west = tileIndex(random);
    const int row = node(random), col = node(random);
    const double lat = south + 1 - row * 0.25 + 0.03, lon = west + col * 0.25 - 0.03;
    ASSERT_EQ(area.point(lat, lon), tileValue(100 * (south * 15 + west), row, col))
        << lat << ", " << lon;
    ASSERT_LE(openDescriptors(), baseline + 10)
        << area.numOpenFiles() << " files open, least recently used " << area.mostIgnoredOpenFile()
        << "\n"
        << descriptorTargets();
    ASSERT_LE(area.numOpenFiles(), 10);
  }
  area.closeArea();
  EXPECT_EQ(area.numOpenFiles(), 0);
  EXPECT_EQ(openDescriptors(), baseline);
}

// ---- Members that reach every file, logs, paths, profiler -------------------------------------

TEST_F(AreaTest, ModeDatumAndLockReachEveryFile) {
  const auto area = tileArea(block());
  area->setInterpolationMode(TG_M_IM_12POINT);
  area->setDatalock(TG_M_DL_FALSE);
  area->setAreaDatum("WGS84");
  for (Integer i = 1; i <= area->numFiles(); ++i) {
    EXPECT_EQ(area->files(i)->interpolationMode(), TG_M_IM_12POINT);
    EXPECT_EQ(area->files(i)->dataLock(), TG_M_DL_FALSE);
    EXPECT_EQ(area->files(i)->currentDatum(), "WGS84");
    EXPECT_TRUE(area->files(i)->isAreaFile());
  }
  EXPECT_TRUE(area->allFilesCanInterpolate(TG_M_IM_NONE));
  // The SRTM script lets the machine gather points; it declares no mode of its own.
  EXPECT_FALSE(area->allFilesCanInterpolate(TG_M_IM_4POINT));
  const auto incapable = area->interpolationIncapableFiles(TG_M_IM_4POINT);
  EXPECT_EQ(incapable.lbound(), 1);
  EXPECT_EQ(incapable.size(), 4u);
}

TEST_F(AreaTest, TheAreaLogJoinsTheAreaAndItsFiles) {
  const auto area = tileArea({srtm("N41W100"), srtm("N41W099")});
  area->logMessage("first");
  area->files(2)->logMessage("from the file");
  EXPECT_TRUE(area->areaLogMessages(1).starts_with("["));
  EXPECT_TRUE(area->areaLogMessages(1).ends_with("] first"));
  const std::string text = area->createAreaLog();
  EXPECT_TRUE(text.starts_with("Log (Created ")) << text;
  const auto heading = [&](Integer i) {
    const std::string title =
        "FILE " + std::to_string(i) + " (" + area->files(i)->filename() + ") MESSAGES";
    return title + "\r\n" + std::string(title.size(), '-') + "\r\n";
  };
  const std::string body = "AREA MESSAGES\r\n-------------\r\n" + area->areaLogMessages(1) +
                           "\r\n" + heading(1) + heading(2);
  EXPECT_NE(text.find(")\r\n" + body + "["), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("] from the file\r\n")) << text;
  area->clearAreaLog();
  EXPECT_EQ(area->numAreaLogMessages(), 0);
  EXPECT_NE(area->createAreaLog().find("from the file"), std::string::npos);
  area->clearAllLogs();
  EXPECT_EQ(area->createAreaLog().find("from the file"), std::string::npos);
}

TEST_F(AreaTest, GetPathAnswersEveryPosition) {
  const auto area = tileArea(block(), TG_M_IM_CLOSESTPOINT);
  const Array<Double> lat(0, {41.5, 40.5, 43.0});
  const Array<Double> lon(0, {-99.5, -98.5, -99.0});
  Array<Single> elevations;
  Boolean failed = true;
  area->Get_Path(lat, lon, elevations, failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(elevations, Array<Single>(0, {Single(srtmValue(kNorthWest, 600, 600)),
                                          Single(srtmValue(kSouthEast, 600, 600)), -32100.0f}));
  area->Get_Path(lat, Array<Double>(1, {1.0, 2.0, 3.0}), elevations, failed);
  EXPECT_TRUE(failed);
  area->setInvalidPointHandlingOption(TG_S_IHO_RAISEERROR);
  area->Get_Path(lat, lon, elevations, failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(elevations[2], -52000.0f);
  EXPECT_EQ(elevations[1], Single(srtmValue(kSouthEast, 600, 600)));
}

TEST_F(AreaTest, AnAssignedProfilerCountsTheAreasMembers) {
  const auto area = tileArea(block());
  auto profiler = std::make_shared<MethodCounter>();
  area->setMethodProfiler(profiler);
  area->point(41.5, -99.5);
  area->point(41.5, -99.5);
  const Long point = profiler->methodIndex("TessaglyphArea::point Get");
  ASSERT_NE(point, -1);
  EXPECT_EQ(profiler->methodCallCount(Integer(point)), 2);
  const Long open = profiler->methodIndex("TessaglyphArea::fileOpen Let");
  ASSERT_NE(open, -1);
  EXPECT_EQ(profiler->methodToCCount(Integer(point)), 2);  // each query asked fileOpen once
  area->setMethodProfiler(nullptr);
  area->point(41.5, -99.5);
  EXPECT_EQ(profiler->methodCallCount(Integer(point)), 2);
}

TEST_F(AreaTest, FilesOutliveTheirAreaAsPlainFiles) {
  std::shared_ptr<TessaglyphFile> kept;
  {
    const auto area = tileArea(block());
    kept = area->files(1);
    EXPECT_THROW(kept->closeSource(), Error);  // an area file is closed by its area only
  }
  EXPECT_FALSE(kept->isAreaFile());
  EXPECT_FALSE(kept->isOpen());
  kept->logMessage("still safe");
}

}  // namespace
}  // namespace tg::area_test
