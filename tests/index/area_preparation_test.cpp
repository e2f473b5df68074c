// The pertinent-file searches and area preparation over an index of generated SRTM tiles.
#include <gtest/gtest.h>

#include <filesystem>

#include "index/index_state.hpp"
#include "index/index_test_support.hpp"
#include "index/settings_file.hpp"
#include "source/area_test_support.hpp"
#include "support/profile_file.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/script_collection.hpp"
#include "tessaglyph/vocabulary.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

using area_test::srtmValue;
using area_test::writeSrtmTile;
using test::raises;

TG_BOUNDS box(Double north, Double west, Double south, Double east) {
  TG_BOUNDS b;
  b.northLat = north;
  b.westLon = west;
  b.southLat = south;
  b.eastLon = east;
  return b;
}

// A collection that selects the named types and declines the others named with "-".
std::shared_ptr<ScriptCollection> types(std::initializer_list<std::string> names) {
  auto collection = std::make_shared<ScriptCollection>();
  for (const std::string& name : names)
    collection->add(name[0] == '-' ? name.substr(1) : name, name[0] != '-');
  return collection;
}

std::vector<std::string> namesOf(const Array<TG_I_INDEXRECORD>& list) {
  EXPECT_EQ(list.lbound(), 0);
  std::vector<std::string> names;
  for (const TG_I_INDEXRECORD& record : list)
    if (!record.sourceFile.empty()) names.push_back(record.sourceFile);
  if (names.empty()) {
    EXPECT_EQ(list.ubound(), 0);
  }
  return names;
}

// The tiles every test indexes from: a 2x2 block with its corner at 36 N 99 W, a second tile of
// the south-west corner, and one far away. Each holds srtmValue(base, row, col).
struct Tile {
  const char* name;
  int south, west;
  double base;
  const char* suffix;
};
constexpr Tile kTiles[] = {{"N35W100.hgt", 35, 100, 100, ""},    {"N35W099.hgt", 35, 99, 2000, ""},
                           {"N36W100.hgt", 36, 100, 4000, ""},   {"N36W099.hgt", 36, 99, 6000, ""},
                           {"N35W100b.hgt", 35, 100, 8000, "b"}, {"N10W010.hgt", 10, 10, 0, ""}};

class AreaPreparationTest : public IndexTest {
 protected:
  static inline std::unique_ptr<TemporaryFolder> tiles;

  static void SetUpTestSuite() {
    tiles = std::make_unique<TemporaryFolder>();
    for (const Tile& tile : kTiles)
      writeSrtmTile(tiles->path(), tile.south, tile.west, tile.base, -1, tile.suffix);
  }
  static void TearDownTestSuite() { tiles.reset(); }

  void SetUp() override {
    IndexTest::SetUp();
    index.indexScriptFile(formats_test::scriptProgram("srtm_hgt"), "SRTM", "*.hgt");
    index::state().silent = false;
  }
  void TearDown() override {
    index::state().clock = nullptr;
    IndexTest::TearDown();
  }

  void add(const std::string& name, const std::string& category = {},
           const std::string& folder = {}) {
    Long found = 99;
    index.indexSourceFile((folder.empty() ? tiles->folder() : folder) + name, "SRTM", category,
                          false, nullptr, &found);
    ASSERT_EQ(found, TG_I_FOUND_NEW) << name;
  }
  void addBlock() {
    for (const char* name : {"N35W100.hgt", "N35W099.hgt", "N36W100.hgt", "N36W099.hgt"})
      add(name);
  }
  void setSwitch(const char* name) {
    writeProfileString("Diagnostics", name, "True", index.INIFile());
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> shown;
    for (const ShownMessageBox& box : ui.boxes)
      shown.push_back(box.title);
    return shown;
  }
};

TEST(BoundsOverlap, TouchingAlongAMeridianOverlapsAlongAParallelNot) {
  const TG_BOUNDS a = box(36, -100, 35, -99);
  const struct {
    TG_BOUNDS other;
    bool overlap;
  } rows[] = {{box(36, -99, 35, -98), true},         {box(36, -101, 35, -100), true},
              {box(37, -100, 36, -99), false},       {box(35, -100, 34, -99), false},
              {box(35.5, -99.5, 35.2, -99.2), true}, {box(36, -98.9, 35, -98), false},
              {box(40, -110, 30, -90), true}};
  for (const auto& row : rows) {
    EXPECT_EQ(TessaglyphIndex::boundsOverlap(a, row.other), row.overlap)
        << row.other.northLat << " " << row.other.westLon;
    EXPECT_EQ(TessaglyphIndex::boundsOverlap(row.other, a), row.overlap);
  }
}

TEST_F(AreaPreparationTest, RectangleFindsTheOverlappingFilesInIndexOrder) {
  addBlock();
  const struct {
    TG_BOUNDS area;
    std::vector<std::string> files;
  } rows[] = {
      {box(35.7, -99.7, 35.2, -99.2), {"N35W100.hgt"}},
      // The meridian -99 is shared: both southern tiles meet it.
      {box(35.7, -99, 35.2, -98.5), {"N35W100.hgt", "N35W099.hgt"}},
      // The parallel 36 is shared: only the northern tiles lie beyond it.
      {box(36.5, -99.7, 36, -99.2), {"N36W100.hgt"}},
      {box(37, -100, 35, -98), {"N35W100.hgt", "N35W099.hgt", "N36W100.hgt", "N36W099.hgt"}},
      {box(20, -50, 19, -49), {}},
  };
  for (const auto& row : rows) {
    TG_BOUNDS area = row.area;
    area.scriptCollection = types({"SRTM"});
    EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")), row.files)
        << area.northLat << " " << area.westLon;
  }
  // The default datum moves the bounds by less than the margins above.
  TG_BOUNDS area = rows[0].area;
  area.scriptCollection = types({"SRTM"});
  EXPECT_EQ(namesOf(index.getPertinentFilesList(area)), rows[0].files);
  EXPECT_TRUE(ui.boxes.empty());
}

// The SQL pre-selection and the walk over every row (the "NoRSLocal" switch) find the same.
TEST_F(AreaPreparationTest, TheWalkOverEveryRowFindsWhatTheBoundsSearchFinds) {
  addBlock();
  add("N10W010.hgt");
  for (bool walk : {false, true}) {
    if (walk) setSwitch("NoRSLocal");
    TG_BOUNDS area = box(36.5, -99.5, 35.5, -99.5);
    area.scriptCollection = types({"SRTM"});
    EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")),
              (std::vector<std::string>{"N35W100.hgt", "N36W100.hgt"}));
  }
}

// The type of a file is the name its script is registered under; the area's collection says
// whether it is wanted, and a type it does not know is asked about once.
TEST_F(AreaPreparationTest, DataTypesAreTakenFromTheCollectionOrAskedOnce) {
  const std::string copy = home.root() + "scripts/srtm_copy.tgp";
  std::filesystem::create_directories(home.root() + "scripts");
  std::filesystem::copy_file(formats_test::scriptProgram("srtm_hgt"), copy);
  index.indexScriptFile(copy, "SRTM COPY", "*.hgt");
  add("N35W100.hgt");
  Long found = 99;
  index.indexSourceFile(tiles->folder() + "N35W100b.hgt", "SRTM COPY", {}, false, nullptr, &found);
  ASSERT_EQ(found, TG_I_FOUND_NEW);

  TG_BOUNDS area = box(35.7, -99.7, 35.2, -99.2);
  ui.answers = {MBR_NO, MBR_YES};
  EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")),
            std::vector<std::string>{"N35W100b.hgt"});
  ASSERT_EQ(titles(), (std::vector<std::string>{"Use Data Type?", "Use Data Type?"}));
  EXPECT_EQ(ui.boxes[0].prompt,
            "A topographic data type appears to have been added:\r\n\r\nSRTM\r\n\r\nDo you "
            "want to use that data type for this study?");
  EXPECT_EQ(ui.boxes[0].style, MB_YESNO | MB_QUESTION);
  EXPECT_FALSE(area.scriptCollection->item("SRTM"));
  EXPECT_TRUE(area.scriptCollection->item("SRTM COPY"));
  // Asked once: the same collection answers the next search.
  index.getPertinentFilesListEx(area, "WGS84");
  EXPECT_EQ(ui.boxes.size(), 2u);

  // Nothing of the selected types here: the user is told what else there would be.
  area.scriptCollection = types({"SRTM COPY", "-SRTM", "-ELSEWHERE"});
  area.westLon = -99;
  area.eastLon = -98.5;
  area.southLat = 35.2;
  area.northLat = 35.7;
  ui.boxes.clear();
  index.getPertinentFilesListEx(area, "WGS84");
  EXPECT_TRUE(ui.boxes.empty());  // the copy's file is found: nothing to tell
  area.scriptCollection = types({"-SRTM COPY", "-SRTM"});
  EXPECT_TRUE(namesOf(index.getPertinentFilesListEx(area, "WGS84")).empty());
  ASSERT_EQ(titles(), std::vector<std::string>{"Selected Data Type Not Found"});
  EXPECT_EQ(ui.boxes[0].prompt,
            "No data was found for the selected data types.\r\n\r\nData files may be available "
            "for other data types:\r\nSRTM\r\nSRTM COPY\r\n\r\nThese data types were not "
            "selected for this session.\r\n\r\nThe following data types were selected:\r\n\r\n"
            "Be sure you have selected the data types you want to use and that all the files "
            "have been indexed.");
  // Silent searches show nothing and use a type they cannot ask about, without storing it.
  ui.boxes.clear();
  index::state().silent = true;
  area.scriptCollection = types({});
  EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")).size(), 2u);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(area.scriptCollection->count(), 0);
}

// Files marked to be ignored are never pertinent; a fixed-media file that has gone is left out
// and reported, one on removable media is kept.
TEST_F(AreaPreparationTest, IgnoredAndMissingFilesAreLeftOut) {
  const std::string folder = home.root() + "moved/";
  std::filesystem::create_directories(folder);
  for (const char* name : {"N35W100.hgt", "N35W099.hgt", "N36W100.hgt"})
    std::filesystem::copy_file(tiles->folder() + name, folder + name);
  add("N35W100.hgt", {}, folder);
  add("N35W099.hgt", {}, folder);
  std::string description = "0000001";
  Long found = 99;
  index.indexSourceFile(folder + "N36W100.hgt", "SRTM", {}, true, &description, &found);
  ASSERT_EQ(found, TG_I_FOUND_NEW);
  add("N36W099.hgt");
  index.setUseSettings(3, TG_I_US_IGNORE);
  for (const char* name : {"N35W100.hgt", "N36W100.hgt"})
    std::filesystem::remove(folder + name);

  const std::vector<std::string> kept{"N35W099.hgt", "N36W100.hgt"};
  const std::string report =
      "The following files from the index were not found:\r\n" + folder + "N35W100.hgt";
  TG_BOUNDS area = box(37, -100, 35, -98);
  area.scriptCollection = types({"SRTM"});
  TG_I_CIRCULARBOUNDS circle{36, -99, 200000};
  const std::vector<std::function<Array<TG_I_INDEXRECORD>()>> searches = {
      [&] { return index.getPertinentFilesListEx(area, "WGS84"); },
      [&] { return index.getPertinentFilesListCircularEx(circle, "WGS84"); },
      [&] { return index.getPertinentFilesListByPointEx(36, -99, "WGS84"); }};
  for (const auto& search : searches) {
    ui.boxes.clear();
    EXPECT_EQ(namesOf(search()), kept);
    ASSERT_EQ(titles(), std::vector<std::string>{"Possible Missing Files"});
    EXPECT_EQ(ui.boxes[0].prompt, report);
    EXPECT_EQ(ui.boxes[0].style, MB_OKONLY | MB_INFORMATION);
  }
  // The walk over every row makes the same selection without telling anyone.
  setSwitch("NoRSLocal");
  ui.boxes.clear();
  EXPECT_EQ(namesOf(searches[0]()), kept);
  EXPECT_TRUE(ui.boxes.empty());
}

// A file is pertinent to a circle when one of its corners lies within the radius, and to a
// point when it holds the point, edges included.
TEST_F(AreaPreparationTest, CirclesMeetCornersAndPointsMeetEdges) {
  addBlock();
  const struct {
    TG_I_CIRCULARBOUNDS circle;
    std::vector<std::string> files;
  } circles[] = {
      // The middle of one tile, 72 km from each of its corners (which its neighbours share).
      {{35.5, -99.5, 70000}, {}},
      {{35.5, -99.5, 73000}, {"N35W100.hgt", "N35W099.hgt", "N36W100.hgt", "N36W099.hgt"}},
      // The corner all four tiles share.
      {{36, -99, 10}, {"N35W100.hgt", "N35W099.hgt", "N36W100.hgt", "N36W099.hgt"}},
      {{35.05, -99.95, 10000}, {"N35W100.hgt"}},
  };
  for (const auto& row : circles) {
    EXPECT_EQ(namesOf(index.getPertinentFilesListCircularEx(row.circle, "WGS84")), row.files)
        << row.circle.centerLatitude << " " << row.circle.radiusMeters;
  }
  EXPECT_EQ(namesOf(index.getPertinentFilesListCircular(circles[1].circle)), circles[1].files);
  const struct {
    Double lat, lon;
    std::vector<std::string> files;
  } points[] = {
      {35.5, -99.5, {"N35W100.hgt"}},
      {36, -99.5, {"N35W100.hgt", "N36W100.hgt"}},
      {36.5, -99, {"N36W100.hgt", "N36W099.hgt"}},
      {37, -98, {"N36W099.hgt"}},
      {37.01, -98, {}},
  };
  for (const auto& row : points) {
    EXPECT_EQ(namesOf(index.getPertinentFilesListByPointEx(row.lat, row.lon, "WGS84")), row.files)
        << row.lat << " " << row.lon;
  }
  EXPECT_EQ(namesOf(index.getPertinentFilesListByPoint(35.5, -99.5)), points[0].files);
  EXPECT_TRUE(ui.boxes.empty());
}

// The area holds the pertinent files in the order of the rules (the file priority decides
// between two tiles of one corner), and reads the tiles' own values across their seams.
TEST_F(AreaPreparationTest, PrepareAreaOrdersTheFilesByTheRules) {
  add("N35W100.hgt", "LOW");
  add("N35W100b.hgt", "HIGH");
  add("N36W100.hgt");
  TessaglyphSPR rules;
  rules.addFilePriorityName("HIGH", 0);
  for (bool skip : {false, true}) {
    if (skip) setSwitch("Skip_Priority_List");
    TG_BOUNDS bounds = box(36.5, -99.8, 35.5, -99.2);
    bounds.scriptCollection = types({"SRTM"});
    const auto area = index.prepareAreaEx(bounds, rules, "WGS84", 0);
    ASSERT_TRUE(area);
    ASSERT_TRUE(area->initialized());
    ASSERT_EQ(area->numFiles(), 3);
    const std::string first = skip ? "N35W100.hgt" : "N35W100b.hgt";
    EXPECT_EQ(std::filesystem::path(area->files(1)->filename()).filename(), first);
    // Row 600 from the north, column 600 from the west of the south-west corner's tiles.
    const double base = skip ? 100 : 8000;
    EXPECT_EQ(area->point(35.5, -99.5), srtmValue(base, 600, 600));
    EXPECT_EQ(area->point(36.5, -99.5), srtmValue(4000, 600, 600));
    EXPECT_EQ(area->point(36, -99.5), srtmValue(base, 0, 600));
  }
}

// Beyond the open-file limit files are opened once, to learn their metrics, and closed.
TEST_F(AreaPreparationTest, SetupAreaKeepsNoMoreThanTheLimitOpen) {
  addBlock();
  add("N35W100b.hgt");
  settings::setMaxOpenAreaFiles(2);
  TG_BOUNDS bounds = box(37, -100, 35, -98);
  bounds.scriptCollection = types({"SRTM"});
  const auto list = index.getPertinentFilesListEx(bounds, "WGS84");
  const auto area = index.setupArea(list, "WGS84");
  ASSERT_EQ(area->numFiles(), 5);
  EXPECT_EQ(area->numOpenFiles(), 2);
  for (Integer i = 1; i <= 5; ++i)
    EXPECT_EQ(area->fileOpen(i), i <= 2) << i;
  EXPECT_EQ(area->point(36.5, -98.5), srtmValue(6000, 600, 600));
  EXPECT_EQ(area->numOpenFiles(), 2);
  // The window stayed hidden: preparation took no time.
  EXPECT_EQ(ui.windowEvents.front(), "create Area Files");
  EXPECT_EQ(std::count(ui.windowEvents.begin(), ui.windowEvents.end(), "show"), 0);
}

// The progress window shows once preparation has run 2 seconds with no more than half the
// files done; cancelling it raises 32003.
TEST_F(AreaPreparationTest, ThePreparationShowsItsProgressAndCanBeCancelled) {
  addBlock();
  TG_BOUNDS bounds = box(37, -100, 35, -98);
  bounds.scriptCollection = types({"SRTM"});
  const auto list = index.getPertinentFilesListEx(bounds, "WGS84");
  // The clock is read once at the start and once after each file while the window is hidden.
  const struct {
    double step;  // seconds each reading adds
    long shows;
  } rows[] = {{3, 1}, {1, 1}, {0.8, 0}};
  double now = 0;
  for (const auto& row : rows) {
    index::state().clock = [&now, step = row.step] { return now += step; };
    ui.windowEvents.clear();
    ASSERT_TRUE(index.setupArea(list, "WGS84"));
    EXPECT_EQ(std::count(ui.windowEvents.begin(), ui.windowEvents.end(), "show"), row.shows)
        << row.step;
  }
  EXPECT_EQ(ui.windowEvents[1],
            "text Preparing the topographic data files for the area in use...\r\nN35W100.hgt");
  ui.cancelWindows = true;
  EXPECT_TRUE(raises([&] { index.setupArea(list, "WGS84"); }, 32003,
                     "The area preparation was canceled by the user",
                     "TessaglyphIndex::prepareArea"));
}

// No pertinent file: prepareArea reports 12009 and gives no area, silently when asked to;
// prepareAreaCircular and setupArea raise it.
TEST_F(AreaPreparationTest, NoPertinentFileGivesNoArea) {
  addBlock();
  TessaglyphSPR rules;
  TG_BOUNDS bounds = box(20.5, -50, 20, -49.5);
  EXPECT_EQ(index.prepareAreaEx(bounds, rules, "WGS84", -1), nullptr);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(index.prepareArea(bounds, rules), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].prompt.find("No files could be found for use in this area.\r\n20.5 -50"
                                    "\r\n20 -49.5\r\n\r\nYou must index data files"),
            std::string::npos)
      << ui.boxes[0].prompt;
  const std::string none = "No files could be found for use in this area.\r\n";
  const std::string indexFirst =
      "You must index data files before they can be used.\r\n(from the Configuration menu, "
      "select Topographic Data)";
  EXPECT_TRUE(raises(
      [&] {
        index.prepareAreaCircular({20, -50, 1000}, rules);
      },
      12009, none + indexFirst, "Tessaglyph::prepareAreaCircular"));
  const Array<TG_I_INDEXRECORD> empty(0, {TG_I_INDEXRECORD()});
  EXPECT_TRUE(raises([&] { index.setupArea(empty); }, 12009, none + "\r\n" + indexFirst,
                     "TessaglyphIndex::setupArea"));
  EXPECT_EQ(index.setupArea(empty, "NAD83", -1), nullptr);
  // Only True (-1) gives no area; another non-zero value silences the boxes but still raises.
  EXPECT_TRUE(raises([&] { index.setupArea(empty, "NAD83", 1); }, 12009, none + "\r\n" + indexFirst,
                     "TessaglyphIndex::setupArea"));
  const auto area = index.prepareAreaCircularEx({36, -99, 1000}, rules, "WGS84");
  ASSERT_TRUE(area);
  EXPECT_EQ(area->numFiles(), 4);
}

}  // namespace
}  // namespace tg::test
