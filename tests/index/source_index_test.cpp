// The source files of the index: indexing them, their records, look-ups and the index tables.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

#include "index/index_medium_descriptions.hpp"
#include "index_test_support.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::IndexTest;
using test::raises;

// Runs one statement on the index database from outside, as another program would.
void executeOn(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  sqlite3_busy_timeout(db, 5000);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

// Each member raises 32001 from Tessaglyph::<source> (or the source given in full).
TEST(IndexLifeCycle, MembersRaise32001UntilTheIndexIsOpen) {
  TessaglyphIndex index;
  index.stopIndexSystem();
  Long found = 0;
  TG_BOUNDS area;
  const TG_I_CIRCULARBOUNDS circle{35.5, -99.5, 1000};
  TessaglyphSPR rules;
  const struct {
    std::function<void()> call;
    std::string source;
  } rows[] = {
      {[&] { index.numIndexRecords(); }, "numIndexRecords"},
      {[&] { index.getIndexRecord(0); }, "getIndexRecord"},
      {[&] { index.findSource("/a/b"); }, "findSource"},
      {[&] { index.findScriptFile("/a/b"); }, "findScriptFile"},
      {[&] { index.indexSourceFile("/a/b", "x"); }, "indexSourceFile"},
      {[&] { index.updateSource(0); }, "updateSource"},
      {[&] { index.directoryScan("/", found); }, "directoryScan"},
      {[&] { index.getSourceFilePath("b"); }, "getSourceScriptFile"},
      {[&] { index.getSourceScriptFile("/a/b"); }, "getSourceScriptFile"},
      {[&] { index.getScriptPriorityNames(); }, "TessaglyphIndex::getScriptPriorityNames"},
      {[&] { index.getSourcePriorityNames(); }, "TessaglyphIndex::getSourcePriorityNames"},
      {[&] { index.getPriorityNames(); }, "getPriorityNames"},
      {[&] { index.getPertinentFilesList(area); }, "getPertinentFilesList"},
      {[&] { index.getPertinentFilesListEx(area, "x"); }, "getPertinentFilesListEx"},
      {[&] { index.getPertinentFilesListCircular(circle); }, "getPertinentFilesListCircular"},
      {[&] { index.getPertinentFilesListCircularEx(circle, "x"); },
       "getPertinentFilesListCircularEx"},
      {[&] { index.getPertinentFilesListByPoint(1, 1); }, "getPertinentFilesListByPoint"},
      {[&] { index.getPertinentFilesListByPointEx(1, 1, "x"); }, "getPertinentFilesListByPointEx"},
      {[&] { index.prepareArea(area, rules); }, "prepareArea"},
      {[&] { index.prepareAreaEx(area, rules, "x", -1); }, "prepareAreaEx"},
      {[&] { index.prepareAreaCircular(circle, rules); }, "prepareAreaCircular"},
      {[&] { index.prepareAreaCircularEx(circle, rules, "x"); }, "prepareAreaCircularEx"},
  };
  for (const auto& row : rows) {
    const bool full = row.source.find(':') != std::string::npos;
    EXPECT_TRUE(raises(row.call, 32001, "The index system has not yet been initialized",
                       full ? row.source : "Tessaglyph::" + row.source));
  }
  EXPECT_FALSE(index.initialized());
}

TEST_F(IndexTest, FilesWhoseMetricsAreUnusableAreNotIndexed) {
  const struct {
    const char* name;
    const char* key;
    const char* value;
  } rows[] = {{"FLATNS", "bottom_lat", "36"},
              {"FLATEW", "right_lon", "-100"},
              {"NORES", "xres", "0"},
              {"NOATTR", "top_lat", "not a number"}};
  for (const auto& row : rows) {
    auto bounds = test::latLonBounds();
    bounds[row.key] = row.value;
    registerScript(row.name, "*.*", bounds);
    EXPECT_EQ(indexFile(std::string(row.name) + ".dat", row.name), TG_I_FOUND_NOTINDEXED)
        << row.name;
  }
  EXPECT_EQ(index.numIndexRecords(), 0);
  EXPECT_TRUE(raises([&] { indexFile("grid.dat", "Nowhere"); }, 32002,
                     "The script Nowhere does not exist in the registry",
                     "TessaglyphIndex::indexSourceFile"));
}

TEST_F(IndexTest, RecordNumbersFollowAddingAndDeleting) {
  registerScript("GRID");
  for (const char* name : {"a.dat", "b.dat", "c.dat"})
    indexFile(name);
  EXPECT_EQ(index.findSource(home.root() + "DATA/B.DAT"), 1);
  index.deleteIndexedFile(0);
  EXPECT_EQ(index.numIndexRecords(), 2);
  EXPECT_EQ(index.findSource(home.root() + "data/b.dat"), 0);
  EXPECT_EQ(index.findSource(home.root() + "data/a.dat"), -1);
  index.setPriorityName(1, "best");
  index.setUseSettings(1, TG_I_US_IGNORE);
  const TG_I_INDEXRECORD c = index.getIndexRecord(1);
  EXPECT_EQ(std::tie(c.sourceFile, c.priorityName, c.useSettings),
            std::make_tuple("c.dat", "best", TG_I_US_IGNORE));
  EXPECT_EQ(test::errorNumber([&] { index.getIndexRecord(2); }), 9);
  EXPECT_EQ(test::errorNumber([&] { index.getIndexRecord(-1); }), 9);
  // A deleted file stays known to the process; a new one comes last. The tables outlive the
  // process state.
  EXPECT_EQ(indexFile("a.dat"), TG_I_FOUND_ALREADY);
  EXPECT_EQ(index.findSource(home.root() + "data/a.dat"), -1);
  EXPECT_EQ(indexFile("d.dat"), TG_I_FOUND_NEW);
  index.stopIndexSystem();
  index.initIndexSystem("", tables() + "HFSRCIDX.DBF", tables() + "hfscript.dbf");
  EXPECT_EQ(index.findSource(home.root() + "data/d.dat"), 2);
  EXPECT_EQ(index.numScriptIndexRecords(), 1);
  EXPECT_EQ(indexFile("d.dat"), TG_I_FOUND_ALREADY);
  // Columns another program left empty read as blank and zero.
  executeOn(databasePath(), "UPDATE HFSRCIDX SET PRIORITY = NULL, XRES = NULL");
  EXPECT_EQ(index.getIndexRecord(0).priorityName, " ");
  EXPECT_EQ(index.getIndexRecord(0).metrics.xResolution, 0);
}

TEST_F(IndexTest, AssociatedFilesStartWithAnEmptyElement) {
  const std::string grid = registerScript("GRID");
  const std::string other = registerScript("OTHER");
  indexFile("a.dat");
  indexFile("b.dat");
  EXPECT_EQ(index.getAssociatedFilesList(other), Array<std::string>(0, {""}));
  EXPECT_EQ(index.getAssociatedFilesList(" " + grid + " "),
            Array<std::string>(0, {"", home.root() + "data/a.dat", home.root() + "data/b.dat"}));
  // A script still in use stays unless told otherwise.
  for (const auto& [record, ignoreInUse, left] :
       {std::tuple{0, false, 2}, {1, false, 1}, {0, true, 0}}) {
    index.deleteIndexedScript(record, ignoreInUse);
    EXPECT_EQ(index.numScriptIndexRecords(), left);
  }
}

TEST_F(IndexTest, RemovableDisksGetNumberedDescriptions) {
  registerScript("GRID");
  // A description table of three rows whose next number is taken already.
  executeOn(home.base() + "Tessaglyph/tessaglyph-index.db",
            "INSERT INTO HFRMDESC VALUES ('0000001', 'one'), ('0000002', 'two'),"
            " ('0000004', 'four')");
  ui.inputs = {"", std::string(150, 'x')};
  ui.answers = {MBR_YES};  // "No Description": enter one after all
  std::string request = "GetRMDesc";
  Long found = 99;
  index.indexSourceFile(dataFile("a.dat"), "GRID", "", true, &request, &found);
  EXPECT_EQ(found, TG_I_FOUND_NEW);
  EXPECT_EQ(request, "0000005");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].title, "No Description");
  // The next file of the disk is not asked again.
  index.indexSourceFile(dataFile("b.dat"), "GRID", "", true, &request, &found);
  EXPECT_EQ(ui.prompts.size(), 2u);
  EXPECT_EQ(index.getIndexRecord(1).sRMDesc, "0000005");
  EXPECT_TRUE(index.getIndexRecord(1).onRemovableMedia);
  EXPECT_EQ(index.getSourceFileRMDesc("b.dat"), std::string(100, 'x'));
  EXPECT_EQ(indexMediumDescriptions()->mediumDescription("0000004"), "four");
  EXPECT_EQ(indexMediumDescriptions()->mediumDescription("0000009"), "");
  EXPECT_EQ(index.getSourceFileRMDesc("B.DAT"), "");
  // Cancel ends the call with nothing indexed.
  ui.inputs = {""};
  ui.answers = {MBR_CANCEL};
  request = "GetRMDesc";
  index.indexSourceFile(dataFile("c.dat"), "GRID", "", true, &request, &found);
  EXPECT_EQ(index.numIndexRecords(), 2);
  EXPECT_EQ(request, "GetRMDesc");
}

TEST_F(IndexTest, LookUpsCompareAsTheirColumnsDo) {
  registerScript("GRID");
  indexFile("Grid.dat", "GRID", "hi");
  const std::string script = home.root() + "scripts/GRID.tgp";
  EXPECT_EQ(index.getSourceFilePath(" GRID.DAT "), home.root() + "data/");
  EXPECT_EQ(index.getSourceFilePath("other.dat"), "");
  EXPECT_EQ(index.getSourceScriptFile(home.root() + "data/Grid.dat"), script);
  EXPECT_EQ(index.getSourceScriptFile(home.root() + "data/GRID.DAT"), "");
  EXPECT_EQ(index.getScriptFileName(" grid "), script);
  EXPECT_EQ(index.findScript("Grid"), 0);
  EXPECT_EQ(index.findScript("none"), -1);
  EXPECT_EQ(index.getSourceFileRMDesc("Grid.dat"), "");
}

TEST_F(IndexTest, PriorityNamesAreListedOnceInOrderOfFirstUse) {
  registerScript("GRID");
  index.indexScriptFileEx(home.root() + "scripts/GRID.tgp", "SECOND", "Low", "*.x");
  index.indexScriptFileEx(home.root() + "scripts/GRID.tgp", "THIRD", " low ", "*.x");
  EXPECT_EQ(index.getScriptPriorityNames(), Array<std::string>(0, {"", "Low"}));
  EXPECT_EQ(index.getSourcePriorityNames(), Array<std::string>(0, {""}));
  indexFile("a.dat", "GRID", "B");
  indexFile("b.dat", "GRID", "a");
  indexFile("c.dat", "GRID", "b ");
  EXPECT_EQ(index.getSourcePriorityNames(), Array<std::string>(0, {"B", "a"}));
  EXPECT_TRUE(index.getPriorityNames().empty());
}

TEST_F(IndexTest, DirectoryScanFindsWhatIsNotIndexedYet) {
  registerScript("GRID", "*.DAT");
  registerScript("ASC", "*.ASC");
  indexFile("a.dat");
  for (const char* name : {"b.DAT", "deeper/c.asc", "notes.txt"})
    dataFile(name);
  Long found = 5;
  Array<std::string> files = index.directoryScan(home.root() + "data", found);
  EXPECT_EQ(found, 7);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], "");
  std::sort(files.begin() + 1, files.end());
  EXPECT_EQ(files[1] + " " + files[2],
            home.root() + "data/b.DAT " + home.root() + "data/deeper/c.asc");
}

}  // namespace
}  // namespace tg
