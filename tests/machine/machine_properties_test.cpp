// The script's properties as the machine reads them, the file information and the open files.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "support/test_environment.hpp"
#include "support/text.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {
namespace {

using test::failureOf;

// A machine whose script declares these properties (name, value; an empty name declares none).
std::unique_ptr<TessaglyphMachine> withProperties(
    const std::vector<std::pair<std::string, std::string>>& properties) {
  auto machine = std::make_unique<TessaglyphMachine>();
  std::vector<TG_M_PROPERTY> declared;
  for (const auto& [name, value] : properties) {
    if (!name.empty()) declared.push_back({name, value});
  }
  MachineAccess::setPropertyCount(*machine, Integer(declared.size()));
  for (std::size_t i = 0; i < declared.size(); ++i)
    MachineAccess::setProperty(*machine, Integer(i), declared[i]);
  return machine;
}

// The script's value or the default, in lower case; the table members check their index.
TEST(MachineProperties, Values) {
  const struct {
    const char* asked;
    std::pair<std::string, std::string> declared;
    const char* expected;
  } rows[] = {
      {" LatLonFormat ", {}, ""},
      {"mex_colstart", {"MEX_ColStart", "BYFILE"}, "byfile"},
      {" GridType ", {}, "latlon"},
      {"filelayout", {}, "unspecified"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(withProperties({row.declared})->getPropertyValue(row.asked), row.expected);
  const auto machine = withProperties({{"filelayout", "grid"}});
  // "nextorder" has no default of its own, whatever the layout.
  EXPECT_EQ(failureOf([&] { machine->getPropertyValue("nextorder"); }),
            "12005 [] There are no property values for the nextorder property when the "
            "filelayout property is \"unspecified.\"");
  EXPECT_EQ(machine->getPropertyIndex("FILELAYOUT"), 0);
  EXPECT_EQ(failureOf([&] { machine->properties(1); }),
            "9 [TessaglyphMachine::properties Get] Subscript out of range");
}

// The host's data lock or, deferring, the script's; Clear keeps only the data-void value.
TEST(MachineProperties, ScriptSettings) {
  const struct {
    TG_M_DATALOCK setting;
    const char* property;  // empty: not declared
    bool locked;
  } rows[] = {{TG_M_DL_TRUE, "false", true},
              {TG_M_DL_USESCRIPT, "", true},
              {TG_M_DL_USESCRIPT, "0", false},
              {TG_M_DL_USESCRIPT, "maybe", true},
              {TG_M_DATALOCK(7), "false", true}};
  for (const auto& row : rows) {
    const auto machine = withProperties({{*row.property ? "datalock" : "", row.property}});
    machine->setDataLock(row.setting);
    EXPECT_EQ(MachineAccess::effectiveDataLock(*machine), row.locked) << row.property;
  }
  const auto machine = withProperties(
      {{"datalock", "false"}, {"selfvalidating", "TRUE"}, {"datavoidvalue", "-32000"}});
  machine->setDataLock(TG_M_DL_USESCRIPT);
  EXPECT_FALSE(MachineAccess::effectiveDataLock(*machine));
  EXPECT_TRUE(machine->selfValidating());
  EXPECT_EQ(machine->datavoidValue(), -32000.0f);
  machine->Clear();
  EXPECT_TRUE(MachineAccess::effectiveDataLock(*machine));
  EXPECT_FALSE(machine->selfValidating());
  EXPECT_EQ(machine->datavoidValue(), -32000.0f);
  EXPECT_EQ(withProperties({{"datavoidvalue", "1e60"}})->datavoidValue(), -32100.0f);
}

// The file name upper-cased and split at either separator; the size found in any case.
TEST(MachineProperties, FileInfo) {
  const char* const rows[][4] = {// filename, path, extension, file title
                                 {"d:\\mixed/sub\\tile.hgt", "D:\\MIXED/SUB\\", "HGT", "TILE"},
                                 {"/data.d/inside", "/DATA.D/", "", "INSIDE"}};
  for (const auto& row : rows) {
    TessaglyphMachine machine;
    machine.setFileInfo(row[0]);
    std::string got;
    for (const auto variable : {TG_M_PVI_FILENAME, TG_M_PVI_PATH, TG_M_PVI_EXTENSION,
                                TG_M_PVI_FILETITLE, TG_M_PVI_FILESIZE})
      got += machine.predefinedVariables(variable) + "|";
    EXPECT_EQ(got, toUpper(row[0]) + "|" + row[1] + "|" + row[2] + "|" + row[3] + "|0|");
  }
  test::TemporaryFolder folder;
  std::ofstream(folder.folder() + "tile.hgt", std::ios::binary) << "12345";
  TessaglyphMachine machine;
  machine.setFileInfo(folder.folder() + "TILE.HGT");
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILESIZE), "5");
}

TEST(MachineProperties, RemovingAnOpenFileClosesTheGap) {
  TessaglyphMachine machine;
  // Handles far above any the tests open; the destructor's quiet close ignores them.
  for (const Integer handle : {32001, 32002, 32003})
    MachineAccess::addOpenFile(machine, std::string(1, char('A' + handle - 32001)), handle);
  MachineAccess::removeOpenFile(machine, 32002);
  ASSERT_EQ(machine.numOpenFiles(), 2);
  EXPECT_EQ(machine.OpenFile(0) + machine.OpenFile(1), "AC");
  EXPECT_EQ(failureOf([&] { machine.OpenFile(2); }),
            "9 [TessaglyphMachine::OpenFile Get] Subscript out of range");
}

}  // namespace
}  // namespace tg
