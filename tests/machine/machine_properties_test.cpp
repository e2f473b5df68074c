#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "support/test_environment.hpp"
#include "support/text.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {
namespace {

using test::raisesError;

void loadProperties(TessaglyphMachine& machine,
                    const std::vector<std::pair<std::string, std::string>>& properties) {
  MachineAccess::setPropertyCount(machine, Integer(properties.size()));
  for (std::size_t i = 0; i < properties.size(); ++i) {
    MachineAccess::setProperty(machine, Integer(i), {properties[i].first, properties[i].second});
  }
}

struct PropertyCase {
  const char* asked;
  std::optional<std::pair<std::string, std::string>> declared;
  const char* expected;
};

class MachinePropertyValueTest : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(MachinePropertyValueTest, GivesTheScriptsValueOrTheDefaultInLowerCase) {
  const auto& c = GetParam();
  TessaglyphMachine machine;
  if (c.declared) loadProperties(machine, {*c.declared});
  EXPECT_EQ(machine.getPropertyValue(c.asked), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MachinePropertyValueTest,
    ::testing::Values(
        PropertyCase{"latlonformat", std::nullopt, ""},
        PropertyCase{"LatLonFormat", std::nullopt, ""},
        PropertyCase{"latlonformat", std::pair<std::string, std::string>{"latlonformat", "DMS"},
                     "dms"},
        PropertyCase{"mex_colstart", std::pair<std::string, std::string>{"MEX_ColStart", "BYFILE"},
                     "byfile"},
        PropertyCase{" GridType ", std::pair<std::string, std::string>{"gridtype", "UTM"}, "utm"},
        PropertyCase{"gridtype", std::nullopt, "latlon"},
        PropertyCase{"datalock", std::nullopt, "true"},
        PropertyCase{"filetypefilter", std::nullopt, "*.*"},
        PropertyCase{"filelayout", std::nullopt, "unspecified"},
        // A property declared with a value outside its list still counts as declared.
        PropertyCase{"datum", std::pair<std::string, std::string>{"datum", "WGS84"}, "wgs84"}));

TEST(MachinePropertyTest, UnknownNamesAndMissingIndexesAreRefused) {
  TessaglyphMachine machine;
  EXPECT_TRUE(raisesError([&] { machine.getPropertyValue("colour"); }, 11003,
                          "TessaglyphMachine::getPropertyValue",
                          "\"colour\" is not a defined property name."));
  // "nextorder" has no default of its own, whatever the layout.
  loadProperties(machine, {{"filelayout", "grid"}});
  EXPECT_TRUE(raisesError([&] { machine.getPropertyValue("nextorder"); }, 12005, "",
                          "There are no property values for the nextorder property when the "
                          "filelayout property is \"unspecified.\""));
  EXPECT_EQ(machine.getPropertyIndex("FILELAYOUT"), 0);
  EXPECT_EQ(machine.getPropertyIndex("datum"), -1);
  EXPECT_EQ(machine.getAttributeIndex("datapoint"), -1);

  const char* range = "Subscript out of range";
  EXPECT_TRUE(
      raisesError([&] { machine.properties(1); }, 9, "TessaglyphMachine::properties Get", range));
  EXPECT_TRUE(raisesError([&] { machine.instructions(-1); }, 9,
                          "TessaglyphMachine::instructions Get", range));
  EXPECT_TRUE(raisesError([&] { machine.routineLocations(TG_M_ROUTINEARRAYINDICIES(22)); }, 9,
                          "TessaglyphMachine::routineLocations Get", range));
  EXPECT_TRUE(
      raisesError([&] { machine.OpenFile(0); }, 9, "TessaglyphMachine::OpenFile Get", range));
}

struct LockCase {
  TG_M_DATALOCK setting;
  const char* property;  // nullptr: not declared
  bool locked;
};

class MachineDataLockTest : public ::testing::TestWithParam<LockCase> {};

TEST_P(MachineDataLockTest, LocksUnlessTheSettingOrTheScriptSaysOtherwise) {
  const auto& c = GetParam();
  TessaglyphMachine machine;
  if (c.property) loadProperties(machine, {{"datalock", c.property}});
  machine.setDataLock(c.setting);
  EXPECT_EQ(MachineAccess::effectiveDataLock(machine), c.locked);
}

INSTANTIATE_TEST_SUITE_P(Cases, MachineDataLockTest,
                         ::testing::Values(LockCase{TG_M_DL_TRUE, "false", true},
                                           LockCase{TG_M_DL_FALSE, "true", false},
                                           LockCase{TG_M_DL_USESCRIPT, nullptr, true},
                                           LockCase{TG_M_DL_USESCRIPT, "False", false},
                                           LockCase{TG_M_DL_USESCRIPT, "0", false},
                                           LockCase{TG_M_DL_USESCRIPT, "maybe", true},
                                           LockCase{TG_M_DATALOCK(7), "false", true}));

TEST(MachinePropertyTest, ScriptSettingsAreReadOnceAndClearForgetsAllButTheDataVoidValue) {
  TessaglyphMachine machine;
  machine.setDataLock(TG_M_DL_USESCRIPT);
  loadProperties(machine,
                 {{"datalock", "false"}, {"selfvalidating", "TRUE"}, {"datavoidvalue", "-32000"}});
  EXPECT_FALSE(MachineAccess::effectiveDataLock(machine));
  EXPECT_TRUE(machine.selfValidating());
  EXPECT_EQ(machine.datavoidValue(), -32000.0f);

  machine.Clear();  // the new, empty script has none of the three
  EXPECT_TRUE(MachineAccess::effectiveDataLock(machine));
  EXPECT_FALSE(machine.selfValidating());
  EXPECT_EQ(machine.datavoidValue(), -32000.0f);
  EXPECT_EQ(machine.dataLock(), TG_M_DL_USESCRIPT);
}

TEST(MachinePropertyTest, TheDataVoidValueFallsBackToMinus32100) {
  for (const char* value : {"byfile", "abc", "1e60"}) {
    TessaglyphMachine machine;
    loadProperties(machine, {{"datavoidvalue", value}});
    EXPECT_EQ(machine.datavoidValue(), -32100.0f) << value;
  }
  TessaglyphMachine machine;
  loadProperties(machine, {{"selfvalidating", "yes"}});
  EXPECT_FALSE(machine.selfValidating());
}

struct FileInfoCase {
  const char* filename;
  const char* path;
  const char* extension;
  const char* filetitle;
};

class MachineFileInfoTest : public ::testing::TestWithParam<FileInfoCase> {};

TEST_P(MachineFileInfoTest, SplitsTheUpperCasedNameAtEitherSeparator) {
  const auto& c = GetParam();
  TessaglyphMachine machine;
  machine.setFileInfo(c.filename);
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILENAME), toUpper(c.filename));
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_PATH), c.path);
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_EXTENSION), c.extension);
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILETITLE), c.filetitle);
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILESIZE), "0");  // no such file
}

INSTANTIATE_TEST_SUITE_P(
    Names, MachineFileInfoTest,
    ::testing::Values(FileInfoCase{"c:\\data\\dem.bil", "C:\\DATA\\", "BIL", "DEM"},
                      FileInfoCase{"/srv/grids/n45w123.dem.gz", "/SRV/GRIDS/", "GZ", "N45W123.DEM"},
                      FileInfoCase{"d:\\mixed/sub\\tile.hgt", "D:\\MIXED/SUB\\", "HGT", "TILE"},
                      FileInfoCase{"/data/noext", "/DATA/", "", "NOEXT"},
                      FileInfoCase{"/data/trailing.", "/DATA/", "", "TRAILING"},
                      FileInfoCase{"/data.d/inside", "/DATA.D/", "", "INSIDE"},
                      FileInfoCase{"plain.txt", "", "TXT", "PLAIN"}));

TEST(MachineFileInfoTest, TakesTheSizeOfAnExistingFileWhateverTheCaseOfItsName) {
  test::TemporaryFolder folder;
  std::ofstream(folder.folder() + "tile.hgt", std::ios::binary) << "12345";
  TessaglyphMachine machine;
  machine.setFileInfo(folder.folder() + "TILE.HGT");
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILESIZE), "5");
}

TEST(MachineOpenFilesTest, RemovingAFileClosesTheGap) {
  TessaglyphMachine machine;
  // Handles far above any the tests open; the destructor's quiet close ignores them.
  MachineAccess::addOpenFile(machine, "A", 32001);
  MachineAccess::addOpenFile(machine, "B", 32002);
  MachineAccess::addOpenFile(machine, "C", 32003);
  MachineAccess::removeOpenFile(machine, 32002);
  MachineAccess::removeOpenFile(machine, 32099);  // not in the list: nothing happens
  ASSERT_EQ(machine.numOpenFiles(), 2);
  EXPECT_EQ(machine.OpenFile(0), "A");
  EXPECT_EQ(machine.OpenFile(1), "C");
  EXPECT_TRUE(raisesError([&] { machine.OpenFile(2); }, 9, "TessaglyphMachine::OpenFile Get",
                          "Subscript out of range"));
}

}  // namespace
}  // namespace tg
