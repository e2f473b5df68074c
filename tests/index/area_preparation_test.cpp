// The pertinent-file searches and area preparation over an index of generated SRTM tiles.
#include <gtest/gtest.h>

#include "index/index_state.hpp"
#include "index/index_test_support.hpp"
#include "index/settings_file.hpp"
#include "source/area_test_support.hpp"
#include "support/profile_file.hpp"
#include "tessaglyph/area.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/script_collection.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

using area_test::srtmValue;
using Records = Array<TG_I_INDEXRECORD>;

// A collection that selects the named types and declines the others named with "-".
std::shared_ptr<ScriptCollection> types(std::initializer_list<std::string> names) {
  auto collection = std::make_shared<ScriptCollection>();
  for (const std::string& name : names)
    collection->add(name[0] == '-' ? name.substr(1) : name, name[0] != '-');
  return collection;
}

TG_BOUNDS box(Double north, Double west, Double south, Double east,
              std::shared_ptr<ScriptCollection> collection = types({"SRTM"})) {
  return {north, west, south, east, std::move(collection)};
}

// The file names of a list without their extension, joined by blanks.
std::string namesOf(const Records& list) {
  EXPECT_EQ(list.lbound(), 0);
  std::string names;
  for (const TG_I_INDEXRECORD& record : list)
    if (!record.sourceFile.empty())
      names +=
          (names.empty() ? "" : " ") + std::filesystem::path(record.sourceFile).stem().string();
  if (names.empty()) {
    EXPECT_EQ(list.ubound(), 0);
  }
  return names;
}

// A 2x2 block of tiles with its corner at 36 N 99 W, a second tile of the south-west corner and
// one far away, each holding srtmValue(base, row, col); the index knows them as type SRTM.
class AreaPreparationTest : public IndexTest {
 protected:
  static inline std::unique_ptr<TemporaryFolder> tiles;

  static void SetUpTestSuite() {
    tiles = std::make_unique<TemporaryFolder>();
    const struct {
      int south, west;
      double base;
      const char* suffix;
    } kTiles[] = {{35, 100, 100, ""}, {35, 99, 2000, ""},   {36, 100, 4000, ""},
                  {36, 99, 6000, ""}, {35, 100, 8000, "b"}, {10, 10, 0, ""}};
    for (const auto& tile : kTiles)
      area_test::writeSrtmTile(tiles->path(), tile.south, tile.west, tile.base, -1, tile.suffix);
  }
  static void TearDownTestSuite() { tiles.reset(); }
  void SetUp() override {
    IndexTest::SetUp();
    index.indexScriptFile(formats_test::scriptProgram("srtm_hgt"), "SRTM", "*.hgt");
    index::state().silent = false;
  }

  void add(const std::string& name, const std::string& category = {}, std::string folder = {},
           const std::string& script = "SRTM") {
    Long found = 99;
    index.indexSourceFile((folder.empty() ? tiles->folder() : folder) + name + ".hgt", script,
                          category, false, nullptr, &found);
    ASSERT_EQ(found, TG_I_FOUND_NEW) << name;
  }
  void addBlock() {
    for (const char* name : {"N35W100", "N35W099", "N36W100", "N36W099"})
      add(name);
  }
  void setSwitch(const char* name) {
    writeProfileString("Diagnostics", name, "True", index.INIFile());
  }
  std::string titles() const {
    std::string shown;
    for (const ShownMessageBox& box : ui.boxes)
      shown += (shown.empty() ? "" : "|") + box.title;
    return shown;
  }
  // The files of a rectangle (the members change their bounds' collection).
  Records filesIn(TG_BOUNDS area) { return index.getPertinentFilesListEx(area, "WGS84"); }
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
    SCOPED_TRACE(testing::Message() << row.other.northLat << " " << row.other.westLon);
    EXPECT_EQ(TessaglyphIndex::boundsOverlap(a, row.other), row.overlap);
    EXPECT_EQ(TessaglyphIndex::boundsOverlap(row.other, a), row.overlap);
  }
}

// Rectangles meet files along a shared meridian but not along a shared parallel; circles meet a
// file's corners; points meet its edges. The SQL pre-selection and the walk over every row (the
// "NoRSLocal" switch) find the same, in index order.
TEST_F(AreaPreparationTest, SearchesFindTheFilesTheShapeMeets) {
  enum Shape { rect, circle, point };
  const struct {
    Shape shape;
    Double a, b, c, d;  // north, west, south, east; latitude, longitude, radius
    const char* files;
  } rows[] = {
      {rect, 35.7, -99.7, 35.2, -99.2, "N35W100"},
      {rect, 35.7, -99, 35.2, -98.5, "N35W100 N35W099"},
      {rect, 36.5, -99.7, 36, -99.2, "N36W100"},
      {rect, 37, -100, 35, -98, "N35W100 N35W099 N36W100 N36W099"},
      {rect, 20, -50, 19, -49, ""},
      // The middle of one tile is 72 km from each of its corners (which its neighbours share).
      {circle, 35.5, -99.5, 70000, 0, ""},
      {circle, 35.5, -99.5, 73000, 0, "N35W100 N35W099 N36W100 N36W099"},
      {circle, 36, -99, 10, 0, "N35W100 N35W099 N36W100 N36W099"},
      {circle, 35.05, -99.95, 10000, 0, "N35W100"},
      {point, 35.5, -99.5, 0, 0, "N35W100"},
      {point, 36, -99.5, 0, 0, "N35W100 N36W100"},
      {point, 36.5, -99, 0, 0, "N36W100 N36W099"},
      {point, 37, -98, 0, 0, "N36W099"},
      {point, 37.01, -98, 0, 0, ""},
  };
  addBlock();
  add("N10W010");
  for (const bool walk : {false, true}) {
    if (walk) setSwitch("NoRSLocal");
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.shape << " " << row.a << " " << row.b << " " << walk);
      const TG_I_CIRCULARBOUNDS around{row.a, row.b, row.c};
      const Records found = row.shape == rect ? filesIn(box(row.a, row.b, row.c, row.d))
                            : row.shape == circle
                                ? index.getPertinentFilesListCircularEx(around, "WGS84")
                                : index.getPertinentFilesListByPointEx(row.a, row.b, "WGS84");
      EXPECT_EQ(namesOf(found), row.files);
    }
  }
  // The default datum moves the bounds by less than the margins above.
  TG_BOUNDS area = box(35.7, -99.7, 35.2, -99.2);
  EXPECT_EQ(namesOf(index.getPertinentFilesList(area)), "N35W100");
  EXPECT_EQ(namesOf(index.getPertinentFilesListCircular({35.5, -99.5, 73000})), rows[7].files);
  EXPECT_EQ(namesOf(index.getPertinentFilesListByPoint(35.5, -99.5)), "N35W100");
  EXPECT_TRUE(ui.boxes.empty());
}

// The type of a file is the name its script is registered under; the area's collection says
// whether it is wanted, and a type it does not know is asked about once.
TEST_F(AreaPreparationTest, DataTypesAreTakenFromTheCollectionOrAskedOnce) {
  const std::string copy = home.root() + "scripts/srtm_copy.tgp";
  std::filesystem::create_directories(home.root() + "scripts");
  std::filesystem::copy_file(formats_test::scriptProgram("srtm_hgt"), copy);
  index.indexScriptFile(copy, "SRTM COPY", "*.hgt");
  add("N35W100");
  add("N35W100b", {}, {}, "SRTM COPY");
  TG_BOUNDS area = box(35.7, -99.7, 35.2, -99.2, nullptr);
  ui.answers = {MBR_NO, MBR_YES};
  EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")), "N35W100b");
  ASSERT_EQ(titles(), "Use Data Type?|Use Data Type?");
  EXPECT_EQ(ui.boxes[0].prompt,
            "A topographic data type appears to have been added:\r\n\r\nSRTM\r\n\r\nDo you "
            "want to use that data type for this study?");
  EXPECT_FALSE(area.scriptCollection->item("SRTM"));
  EXPECT_TRUE(area.scriptCollection->item("SRTM COPY"));
  index.getPertinentFilesListEx(area, "WGS84");  // the same collection answers
  EXPECT_EQ(ui.boxes.size(), 2u);
  // Nothing of the selected types here: the user is told what else there would be.
  ui.boxes.clear();
  filesIn(box(35.7, -99, 35.2, -98.5, types({"SRTM COPY", "-SRTM", "-ELSEWHERE"})));
  EXPECT_TRUE(ui.boxes.empty());  // the copy's file is found: nothing to tell
  area = box(35.7, -99, 35.2, -98.5, types({"-SRTM COPY", "-SRTM"}));
  EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")), "");
  ASSERT_EQ(titles(), "Selected Data Type Not Found");
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
  EXPECT_EQ(namesOf(index.getPertinentFilesListEx(area, "WGS84")), "N35W100 N35W100b");
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
  add("N35W100", {}, folder);
  add("N35W099", {}, folder);
  std::string description = "0000001";
  index.indexSourceFile(folder + "N36W100.hgt", "SRTM", {}, true, &description);
  add("N36W099");
  index.setUseSettings(3, TG_I_US_IGNORE);
  for (const char* name : {"N35W100.hgt", "N36W100.hgt"})
    std::filesystem::remove(folder + name);
  const TG_I_CIRCULARBOUNDS circle{36, -99, 200000};
  const std::function<Records()> searches[] = {
      [&] { return filesIn(box(37, -100, 35, -98)); },
      [&] { return index.getPertinentFilesListCircularEx(circle, "WGS84"); },
      [&] { return index.getPertinentFilesListByPointEx(36, -99, "WGS84"); }};
  for (const auto& search : searches) {
    ui.boxes.clear();
    EXPECT_EQ(namesOf(search()), "N35W099 N36W100");
    ASSERT_EQ(titles(), "Possible Missing Files");
    EXPECT_EQ(ui.boxes[0].prompt,
              "The following files from the index were not found:\r\n" + folder + "N35W100.hgt");
    EXPECT_EQ(ui.boxes[0].style, MB_OKONLY | MB_INFORMATION);
  }
  // The walk over every row makes the same selection without telling anyone.
  setSwitch("NoRSLocal");
  ui.boxes.clear();
  EXPECT_EQ(namesOf(searches[0]()), "N35W099 N36W100");
  EXPECT_TRUE(ui.boxes.empty());
}

// The area holds the pertinent files in the order of the rules (the file priority decides
// between two tiles of one corner), and reads the tiles' own values across their seams.
TEST_F(AreaPreparationTest, PrepareAreaOrdersTheFilesByTheRules) {
  add("N35W100", "LOW");
  add("N35W100b", "HIGH");
  add("N36W100");
  TessaglyphSPR rules;
  rules.addFilePriorityName("HIGH", 0);
  for (bool skip : {false, true}) {
    if (skip) setSwitch("Skip_Priority_List");
    TG_BOUNDS bounds = box(36.5, -99.8, 35.5, -99.2);
    const auto area = index.prepareAreaEx(bounds, rules, "WGS84", 0);
    ASSERT_TRUE(area && area->initialized());
    ASSERT_EQ(area->numFiles(), 3);
    EXPECT_EQ(std::filesystem::path(area->files(1)->filename()).stem().string(),
              skip ? "N35W100" : "N35W100b");
    // Row 600 from the north, column 600 from the west of the south-west corner's tiles.
    const double base = skip ? 100 : 8000;
    EXPECT_EQ(area->point(35.5, -99.5), srtmValue(base, 600, 600));
    EXPECT_EQ(area->point(36.5, -99.5), srtmValue(4000, 600, 600));
    EXPECT_EQ(area->point(36, -99.5), srtmValue(base, 0, 600));
  }
}

// Beyond the open-file limit files are opened once, to learn their metrics, and closed;
// cancelling the progress window raises 32003.
TEST_F(AreaPreparationTest, SetupAreaKeepsTheOpenFileLimitAndCanBeCanceled) {
  addBlock();
  add("N35W100b");
  settings::setMaxOpenAreaFiles(2);
  const Records list = filesIn(box(37, -100, 35, -98));
  const auto area = index.setupArea(list, "WGS84");
  ASSERT_EQ(area->numFiles(), 5);
  EXPECT_EQ(area->numOpenFiles(), 2);
  for (Integer i = 1; i <= 5; ++i)
    EXPECT_EQ(area->fileOpen(i), i <= 2) << i;
  EXPECT_EQ(area->point(36.5, -98.5), srtmValue(6000, 600, 600));
  EXPECT_EQ(area->numOpenFiles(), 2);
  ui.cancelWindows = true;
  EXPECT_TRUE(raises([&] { index.setupArea(list, "WGS84"); }, 32003,
                     "The area preparation was canceled by the user",
                     "TessaglyphIndex::prepareArea"));
}

// No pertinent file: prepareArea reports 12009 and gives no area, silently when asked to;
// prepareAreaCircular and setupArea raise it. Only True (-1) gives no area; another non-zero
// value silences the boxes but still raises.
TEST_F(AreaPreparationTest, NoPertinentFileGivesNoArea) {
  addBlock();
  TessaglyphSPR rules;
  TG_BOUNDS bounds = box(20.5, -50, 20, -49.5, nullptr);
  EXPECT_EQ(index.prepareAreaEx(bounds, rules, "WGS84", -1), nullptr);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(index.prepareArea(bounds, rules), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  const std::string none = "No files could be found for use in this area.\r\n";
  const std::string indexFirst =
      "You must index data files before they can be used.\r\n(from the Configuration menu, "
      "select Topographic Data)";
  EXPECT_NE(ui.boxes[0].prompt.find(none + "20.5 -50\r\n20 -49.5\r\n\r\nYou must index data files"),
            std::string::npos)
      << ui.boxes[0].prompt;
  EXPECT_TRUE(raises(
      [&] {
        index.prepareAreaCircular({20, -50, 1000}, rules);
      },
      12009, none + indexFirst, "Tessaglyph::prepareAreaCircular"));
  const Records empty(0, {TG_I_INDEXRECORD()});
  for (const Integer silent : {0, 1})
    EXPECT_TRUE(raises([&] { index.setupArea(empty, "NAD83", silent); }, 12009,
                       none + "\r\n" + indexFirst, "TessaglyphIndex::setupArea"));
  EXPECT_EQ(index.setupArea(empty, "NAD83", -1), nullptr);
  EXPECT_EQ(index.prepareAreaCircularEx({36, -99, 1000}, rules, "WGS84")->numFiles(), 4);
}

}  // namespace
}  // namespace tg::test
