#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

#include "index/index_medium_descriptions.hpp"
#include "index_test_support.hpp"
#include "support/error_report.hpp"
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
  char* message = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
      << (message ? message : "");
  sqlite3_free(message);
  sqlite3_close(db);
}

TEST(IndexLifeCycle, MembersRaise32001UntilTheIndexIsOpen) {
  TessaglyphIndex index;
  index.stopIndexSystem();
  Long found = 0;
  TG_BOUNDS area;
  const TG_I_CIRCULARBOUNDS circle{35.5, -99.5, 1000};
  TessaglyphSPR rules;
  const struct {
    std::function<void()> call;
    const char* source;
  } rows[] = {
      {[&] { index.numIndexRecords(); }, "Tessaglyph::numIndexRecords"},
      {[&] { index.getIndexRecord(0); }, "Tessaglyph::getIndexRecord"},
      {[&] { index.findSource("/a/b"); }, "Tessaglyph::findSource"},
      {[&] { index.findScriptFile("/a/b"); }, "Tessaglyph::findScriptFile"},
      {[&] { index.indexSourceFile("/a/b", "x"); }, "Tessaglyph::indexSourceFile"},
      {[&] { index.updateSource(0); }, "Tessaglyph::updateSource"},
      {[&] { index.directoryScan("/", found); }, "Tessaglyph::directoryScan"},
      {[&] { index.getSourceFilePath("b"); }, "Tessaglyph::getSourceScriptFile"},
      {[&] { index.getSourceScriptFile("/a/b"); }, "Tessaglyph::getSourceScriptFile"},
      {[&] { index.getScriptPriorityNames(); }, "TessaglyphIndex::getScriptPriorityNames"},
      {[&] { index.getSourcePriorityNames(); }, "TessaglyphIndex::getSourcePriorityNames"},
      {[&] { index.getPriorityNames(); }, "Tessaglyph::getPriorityNames"},
      {[&] { index.getPertinentFilesList(area); }, "Tessaglyph::getPertinentFilesList"},
      {[&] { index.getPertinentFilesListEx(area, "x"); }, "Tessaglyph::getPertinentFilesListEx"},
      {[&] { index.getPertinentFilesListCircular(circle); },
       "Tessaglyph::getPertinentFilesListCircular"},
      {[&] { index.getPertinentFilesListCircularEx(circle, "x"); },
       "Tessaglyph::getPertinentFilesListCircularEx"},
      {[&] { index.getPertinentFilesListByPoint(1, 1); },
       "Tessaglyph::getPertinentFilesListByPoint"},
      {[&] { index.getPertinentFilesListByPointEx(1, 1, "x"); },
       "Tessaglyph::getPertinentFilesListByPointEx"},
      {[&] { index.prepareArea(area, rules); }, "Tessaglyph::prepareArea"},
      {[&] { index.prepareAreaEx(area, rules, "x", -1); }, "Tessaglyph::prepareAreaEx"},
      {[&] { index.prepareAreaCircular(circle, rules); }, "Tessaglyph::prepareAreaCircular"},
      {[&] { index.prepareAreaCircularEx(circle, rules, "x"); },
       "Tessaglyph::prepareAreaCircularEx"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(
        raises(row.call, 32001, "The index system has not yet been initialized", row.source));
  }
  EXPECT_FALSE(index.initialized());
  Array<TG_I_SCRIPTCANDIDATE> none;
  TessaglyphIndex::sortScriptCandidatesByMatch(none);  // the sorts need no index
}

TEST_F(IndexTest, IndexingAFileTwiceLeavesTheTableAlone) {
  registerScript("GRID");
  EXPECT_EQ(indexFile("grid.dat", " grid ", "dem"), TG_I_FOUND_NEW);
  EXPECT_EQ(indexFile("GRID.DAT"), TG_I_FOUND_ALREADY);
  ASSERT_EQ(index.numIndexRecords(), 1);

  const TG_I_INDEXRECORD record = index.getIndexRecord(0);
  EXPECT_EQ(record.sourcePath, home.root() + "data/");
  EXPECT_EQ(record.sourceFile, "grid.dat");
  EXPECT_EQ(record.scriptFile, home.root() + "scripts/GRID.tgp");
  EXPECT_EQ(record.priorityName, "dem");
  EXPECT_EQ(record.metrics.datum, "nad27");
  EXPECT_EQ(record.metrics.bounds.northLat, 36);
  EXPECT_EQ(record.metrics.bounds.southLat, 35);
  EXPECT_EQ(record.metrics.bounds.westLon, -100);
  EXPECT_EQ(record.metrics.bounds.eastLon, -99);
  EXPECT_GT(record.metrics.xResolution, 0);
  EXPECT_EQ(record.useSettings, TG_I_US_INCLUDE);
  EXPECT_FALSE(record.onRemovableMedia);
  EXPECT_EQ(record.sRMDesc, "");
}

TEST_F(IndexTest, FilesWhoseMetricsAreUnusableAreNotIndexed) {
  const struct {
    const char* name;
    std::map<std::string, std::string> changes;
  } rows[] = {
      {"FLATNS", {{"bottom_lat", "36"}}},
      {"FLATEW", {{"right_lon", "-100"}}},
      {"NORES", {{"xres", "0"}}},
      {"NOATTR", {{"top_lat", "not a number"}}},
  };
  for (const auto& row : rows) {
    auto bounds = test::latLonBounds();
    for (const auto& [key, value] : row.changes)
      bounds[key] = value;
    registerScript(row.name, "*.*", bounds);
    EXPECT_EQ(indexFile(std::string(row.name) + ".dat", row.name), TG_I_FOUND_NOTINDEXED)
        << row.name;
  }
  EXPECT_EQ(index.numIndexRecords(), 0);
  std::ifstream log(diagnosticLogPath());
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("indexSourceFile FAILED on: Path " + home.root() + "data/ File FLATNS.dat"),
            std::string::npos);
}

TEST_F(IndexTest, AnUnregisteredScriptRaises32002) {
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
  EXPECT_EQ(index.getIndexRecord(1).sourceFile, "c.dat");
  index.setPriorityName(1, "best");
  index.setUseSettings(1, TG_I_US_IGNORE);
  EXPECT_EQ(index.getIndexRecord(1).priorityName, "best");
  EXPECT_EQ(index.getIndexRecord(1).useSettings, TG_I_US_IGNORE);
  EXPECT_EQ(test::errorNumber([&] { index.getIndexRecord(2); }), 9);
  EXPECT_EQ(test::errorNumber([&] { index.getIndexRecord(-1); }), 9);
  // A deleted file stays known to the process: indexing it again changes nothing.
  EXPECT_EQ(indexFile("a.dat"), TG_I_FOUND_ALREADY);
  EXPECT_EQ(index.findSource(home.root() + "data/a.dat"), -1);
}

TEST_F(IndexTest, TheTablesOutliveTheProcessState) {
  registerScript("GRID");
  indexFile("a.dat");
  index.stopIndexSystem();
  EXPECT_FALSE(index.initialized());
  index.initIndexSystem("", tables() + "HFSRCIDX.DBF", tables() + "hfscript.dbf");
  EXPECT_EQ(index.numIndexRecords(), 1);
  EXPECT_EQ(index.numScriptIndexRecords(), 1);
  EXPECT_EQ(indexFile("a.dat"), TG_I_FOUND_ALREADY);
}

// Opening a table of 5001 rows or more shows how far it has come: at every 100th row up to the
// 1000th, at every 1000th after that.
TEST_F(IndexTest, OpeningALargeTableShowsItsProgress) {
  for (const int rows : {5000, 5001}) {
    index.stopIndexSystem();
    executeOn(databasePath(), "DELETE FROM HFSRCIDX");
    executeOn(databasePath(),
              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
              "WHERE i < " +
                  std::to_string(rows) +
                  ") INSERT INTO HFSRCIDX (SOURCEPATH, SOURCEFILE, SOURCEKEY) "
                  "SELECT '/d/', 'f' || i, '/D/F' || i FROM n");
    ui.windowEvents.clear();
    index.initIndexSystem("", tables() + "hfsrcidx.dbf", tables() + "hfscript.dbf");
    EXPECT_EQ(index.numIndexRecords(), rows);
    std::vector<std::string> texts;
    for (const std::string& event : ui.windowEvents)
      if (event.starts_with("text ")) texts.push_back(event.substr(5));
    if (rows == 5000) {
      EXPECT_TRUE(ui.windowEvents.empty());
      continue;
    }
    ASSERT_EQ(texts.size(), 15u);
    EXPECT_EQ(ui.windowEvents.front(), "create Initializing Index ...");
    EXPECT_EQ(texts[0], "Index file: f1");
    EXPECT_EQ(texts[1], "Index file: f100");
    EXPECT_EQ(texts[10], "Index file: f1000");
    EXPECT_EQ(texts[14], "Index file: f5000");
  }
}

TEST_F(IndexTest, NullColumnsReadAsBlankAndZero) {
  registerScript("GRID");
  indexFile("a.dat");
  executeOn(databasePath(), "UPDATE HFSRCIDX SET PRIORITY = NULL, XRES = NULL");
  const TG_I_INDEXRECORD record = index.getIndexRecord(0);
  EXPECT_EQ(record.priorityName, " ");
  EXPECT_EQ(record.metrics.xResolution, 0);
}

TEST_F(IndexTest, AssociatedFilesStartWithAnEmptyElement) {
  const std::string grid = registerScript("GRID");
  const std::string other = registerScript("OTHER");
  indexFile("a.dat");
  indexFile("b.dat");
  const Array<std::string> none = index.getAssociatedFilesList(other);
  EXPECT_EQ(none, Array<std::string>(0, {""}));
  const Array<std::string> two = index.getAssociatedFilesList(" " + grid + " ");
  EXPECT_EQ(two,
            Array<std::string>(0, {"", home.root() + "data/a.dat", home.root() + "data/b.dat"}));

  // A script still in use stays unless told otherwise.
  index.deleteIndexedScript(0);
  EXPECT_EQ(index.numScriptIndexRecords(), 2);
  index.deleteIndexedScript(1);
  EXPECT_EQ(index.numScriptIndexRecords(), 1);
  index.deleteIndexedScript(0, true);
  EXPECT_EQ(index.numScriptIndexRecords(), 0);
}

TEST_F(IndexTest, RemovableDisksGetNumberedDescriptions) {
  registerScript("GRID");
  // A description table of three rows whose next number is taken already.
  const std::string descriptions = home.base() + "Tessaglyph/tessaglyph-index.db";
  executeOn(descriptions,
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
  const std::string file = home.root() + "data/Grid.dat";
  EXPECT_EQ(index.getSourceFilePath(" GRID.DAT "), home.root() + "data/");
  EXPECT_EQ(index.getSourceFilePath("other.dat"), "");
  EXPECT_EQ(index.getSourceScriptFile(file), home.root() + "scripts/GRID.tgp");
  EXPECT_EQ(index.getSourceScriptFile(home.root() + "data/GRID.DAT"), "");
  EXPECT_EQ(index.getScriptFileName(" grid "), home.root() + "scripts/GRID.tgp");
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
  dataFile("b.DAT");
  dataFile("deeper/c.asc");
  dataFile("notes.txt");
  Long found = 5;
  Array<std::string> files = index.directoryScan(home.root() + "data", found);
  EXPECT_EQ(found, 7);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], "");
  std::vector<std::string> rest(files.begin() + 1, files.end());
  std::sort(rest.begin(), rest.end());
  EXPECT_EQ(rest, (std::vector<std::string>{home.root() + "data/b.DAT",
                                            home.root() + "data/deeper/c.asc"}));
}

}  // namespace
}  // namespace tg
