// Importing the data paths of a Harrowfeld INI file into the index.
#include <gtest/gtest.h>

#include <filesystem>

#include "index_test_support.hpp"

namespace tg {
namespace {

class HarrowfeldImportTest : public test::IndexTest {
 protected:
  // The bundled script programs, as the default table names them, in the base directory's
  // script folder: one test script under each name.
  void installDefaultScripts() {
    const std::string script =
        writeScript(test::ScriptSpec().withAttributes(test::latLonBounds()), "any");
    const std::string folder = home.base() + "Tessaglyph/Scripts/";
    std::filesystem::create_directories(folder);
    for (const char* name : {"srtm_hgt.tgp", "esri_ascii.tgp", "example_grid.tgp"})
      std::filesystem::copy_file(script, folder + name);
  }
  std::string writeHostIni(const std::string& paths) {
    home.writeFile("host.ini", "[Topo Data Paths]\n" + paths);
    return home.root() + "host.ini";
  }
};

TEST_F(HarrowfeldImportTest, IndexesTheConfiguredFoldersWithTheDefaultScripts) {
  installDefaultScripts();
  for (const char* name : {"fixed/a.hgt", "fixed/b.seg", "fixed/c.asc", "off/d.asc"})
    dataFile(name);  // c.asc is not a pattern of data type 0
  const std::string ini =
      writeHostIni("Number=3\nPath00=0|x|" + home.root() + "data/fixed|1\nPath01=1|x|" +
                   home.root() + "data/off|0\nPath02=1|x|" + home.root() + "data/off|0|x|0\n");
  ui.answers = {MBR_NO};  // do not index disabled paths
  Integer indexDisabled = -88;
  Long found = 5;
  index.importFromHarrowfeldIniFile(ini, &indexDisabled, &found);

  EXPECT_EQ(index.numScriptIndexRecords(), 3);  // the BIL program is not installed
  EXPECT_EQ(index.findScript("SRTM HGT"), 0);
  ASSERT_EQ(index.numIndexRecords(), 2);
  EXPECT_EQ(index.getIndexRecord(0).sourceFile + " " + index.getIndexRecord(1).sourceFile,
            "a.hgt b.seg");
  EXPECT_EQ(index.getIndexRecord(1).scriptFile,
            home.base() + "Tessaglyph/Scripts/example_grid.tgp");
  EXPECT_EQ(std::make_pair(indexDisabled, found), std::make_pair(Integer(0), Long(TG_I_FOUND_NEW)));
  ASSERT_EQ(ui.boxes.size(), 2u);  // asked once about disabled paths, then the total
  EXPECT_EQ(ui.boxes[0].title, "Index Disabled Paths?");
  EXPECT_EQ(ui.boxes[1].prompt,
            "A total of 2 files have been indexed from the Harrowfeld INI file Topographic Path "
            "Configuration information.");
}

TEST_F(HarrowfeldImportTest, RemovableDisksAreDescribedOnceEach) {
  installDefaultScripts();
  for (const char* name : {"disk/a.asc", "disk/b.asc"})
    dataFile(name);
  const std::string ini =
      writeHostIni("DefaultScripts=1\nNumber=1\nPath00=1|x|" + home.root() + "data/disk|1|x|1\n");
  index.indexScriptFile(home.base() + "Tessaglyph/Scripts/esri_ascii.tgp", "ESRI ASCII", "*.ASC");
  ui.inputs = {"Colorado"};
  // Index the removable path, disk ready, then another disk: the second round brings nothing
  // new and ends.
  ui.answers = {MBR_YES, MBR_OK, MBR_YES, MBR_OK};
  index.importFromHarrowfeldIniFile(ini);
  EXPECT_EQ(index.numScriptIndexRecords(), 1);  // DefaultScripts set: none registered
  ASSERT_EQ(index.numIndexRecords(), 2);
  EXPECT_EQ(ui.prompts.size(), 2u);  // once per round, not once per file
  EXPECT_TRUE(index.getIndexRecord(1).onRemovableMedia);
  EXPECT_EQ(index.getSourceFileRMDesc("b.asc"), "Colorado");
}

}  // namespace
}  // namespace tg
