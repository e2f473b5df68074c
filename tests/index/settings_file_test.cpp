#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/test_environment.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  test::SettingsSandbox home{true};
  Tessaglyph top;

  std::string iniText() const { return home.readFile("base/Tessaglyph.ini").value_or("<none>"); }
  void storeKey(const std::string& key, const std::string& value) const {
    home.writeFile("base/Tessaglyph.ini",
                   "[Tessa Glyph]\nexists=True\n" + key + "=" + value + "\n");
  }
};

constexpr const char* kDefaultFile =
    "[Tessa Glyph]\n"
    "exists=True\n"
    "program editor dir=\n"
    "virtual machine dir=\n"
    "qpkman dir=\\Tessaglyph\n"
    "qpk uninstall log=\\Tessaglyph\\QPK Uninstall\\UNINSTALL LOG.TXT\n"
    "programs dir=\\Tessaglyph\\Scripts\n"
    "source data dir=\\Tessaglyph\\Source Data\n"
    "qpk uninstall dir=\\Tessaglyph\\QPK Uninstall\n"
    "source index=\\Tessaglyph\\hfsrcidx.dbf\n"
    "script index=\\Tessaglyph\\hfscript.dbf\n"
    "max open area files=225\n"
    "\n"
    "[SPR_Templates]\n"
    "num templates=1\n"
    "template 1=Default\n"
    "\n";

TEST_F(SettingsFileTest, AMissingFileIsCreatedWithoutDataAndReadsTheDefaults) {
  struct Row {
    std::string (Tessaglyph::*read)() const;
    std::string expected;  // below the base directory; "" for an empty value
  };
  const Row rows[] = {
      {&Tessaglyph::iniHProgramEditorDir, ""},
      {&Tessaglyph::iniHVirtualMachineDir, ""},
      {&Tessaglyph::iniHQPKManDir, "Tessaglyph"},
      {&Tessaglyph::iniHUninstallLogName, "Tessaglyph/QPK Uninstall/UNINSTALL LOG.TXT"},
      {&Tessaglyph::iniHProgramsDir, "Tessaglyph/Scripts"},
      {&Tessaglyph::iniHSourceDataDir, "Tessaglyph/Source Data"},
      {&Tessaglyph::iniHQPKUninstallDir, "Tessaglyph/QPK Uninstall"},
      {&Tessaglyph::iniHSourceIndex, "Tessaglyph/hfsrcidx.dbf"},
      {&Tessaglyph::iniHScriptIndex, "Tessaglyph/hfscript.dbf"},
  };
  for (const Row& row : rows) {
    const std::string expected = row.expected.empty() ? "" : home.base() + row.expected;
    EXPECT_EQ((top.*row.read)(), expected);
  }
  EXPECT_EQ(top.iniHMaxOpenAreaFiles(), 225);
  EXPECT_EQ(iniText(), "[Tessa Glyph]\nexists=False\n");
  EXPECT_FALSE(top.iniFileHasData());
  EXPECT_EQ(top.getTessaglyphININame(), home.base() + "Tessaglyph.ini");
}

TEST_F(SettingsFileTest, WritingIntoAFileWithoutDataWritesTheDefaultFileFirst) {
  top.setIniHProgramsDir("/opt/scripts");
  std::string expected = kDefaultFile;
  expected.replace(expected.find("programs dir=\\Tessaglyph\\Scripts"),
                   std::string("programs dir=\\Tessaglyph\\Scripts").size(),
                   "programs dir=/opt/scripts");
  const std::string text = iniText();
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  // The default rules follow in their own section.
  EXPECT_NE(text.find("[SPR Default]\nexists=True\nname=Default\n", expected.size()),
            std::string::npos);
  EXPECT_TRUE(top.iniFileHasData());
}

TEST_F(SettingsFileTest, StoredPathsAreExpandedOnlyWhenTheyBeginWithASeparator) {
  const struct {
    const char* stored;
    std::string expected;
  } rows[] = {
      {"\\Data\\Grids", home.base() + "Data/Grids"},
      {"/Data/Grids", home.base() + "Data/Grids"},
      {"\\Data\\\\Grids\\", home.base() + "Data/Grids/"},
      {"relative\\folder", "relative\\folder"},
      {"/", home.base()},
  };
  for (const auto& row : rows) {
    storeKey("source data dir", row.stored);
    EXPECT_EQ(top.iniHSourceDataDir(), row.expected) << row.stored;
  }
}

TEST_F(SettingsFileTest, TheOpenFileLimitAcceptsOnlyOneTo225) {
  const struct {
    const char* stored;
    Integer expected;
  } rows[] = {{"12", 12}, {"1", 1}, {"225", 225}, {"0", 225}, {"300", 225}, {"many", 225}};
  for (const auto& row : rows) {
    storeKey("max open area files", row.stored);
    EXPECT_EQ(top.iniHMaxOpenAreaFiles(), row.expected) << row.stored;
  }
  storeKey("max open area files", "40");
  top.setIniHMaxOpenAreaFiles(300);
  top.setIniHMaxOpenAreaFiles(0);
  EXPECT_EQ(top.iniHMaxOpenAreaFiles(), 40);
  top.setIniHMaxOpenAreaFiles(7);
  EXPECT_EQ(top.iniHMaxOpenAreaFiles(), 7);
}

TEST_F(SettingsFileTest, ClearingTemplateDataKeepsEverySectionButTheRuleSections) {
  home.writeFile("rules.ini",
                 "[Tessa Glyph]\nexists=True\n\n[SPR Default]\nname=Default\n\n"
                 "  [spr Other]\nname=Other\n[SPR_Templates]\nnum templates=1\n");
  top.clearINITemplateData(home.root() + "rules.ini");
  EXPECT_EQ(home.readFile("rules.ini"),
            "[Tessa Glyph]\nexists=True\n\n[SPR_Templates]\nnum templates=1\n");
}

TEST_F(SettingsFileTest, UninstallLogNamesCountUpWithinAMinute) {
  std::tm when{};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 7;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_isdst = -1;
  const Date date = std::chrono::system_clock::from_time_t(std::mktime(&when));
  const std::string folder = home.base() + "Tessaglyph/QPK Uninstall/";
  const std::string first = top.getUninstallLogName(" pkg1 ", date);
  EXPECT_EQ(first, folder + "20240307_0905_1_PKG1.TGU");
  home.writeFile("base/Tessaglyph/QPK Uninstall/20240307_0905_1_PKG1.TGU", "log");
  EXPECT_EQ(top.getUninstallLogName("pkg1", date), folder + "20240307_0905_2_PKG1.TGU");
  home.writeFile("base/Tessaglyph/QPK Uninstall/20240307_0905_2_OTHER.tgu", "log");
  home.writeFile("base/Tessaglyph/QPK Uninstall/notes.txt", "not a log");

  EXPECT_EQ(top.getQPKUninstallLogs("").size(), 2u);
  const Array<std::string> mine = top.getQPKUninstallLogs(" Pkg1 ");
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0], folder + "20240307_0905_1_PKG1.TGU");
}

TEST_F(SettingsFileTest, TheBaseDirectoryEndsWithOneSeparator) {
  test::ScopedEnvironment base("TESSAGLYPH_HOME", home.base() + "/");
  EXPECT_EQ(top.getHarrowfeldDirectory(), home.base());
}

TEST_F(SettingsFileTest, BoundsKeepCornersWhoseConversionFails) {
  TG_FILEMETRICS metrics;
  metrics.datum = "NAD27";
  metrics.xResolution = 30;
  metrics.yResolution = 40;
  metrics.bounds = {36, -100, 35, -99, nullptr};
  const TG_FILEMETRICS moved = top.boundsCon(metrics, "no such datum");
  EXPECT_EQ(moved.datum, "no such datum");
  EXPECT_EQ(moved.xResolution, 30);
  EXPECT_EQ(moved.yResolution, 40);
  EXPECT_EQ(moved.bounds.northLat, 36);
  EXPECT_EQ(moved.bounds.westLon, -100);
  EXPECT_EQ(moved.bounds.southLat, 35);
  EXPECT_EQ(moved.bounds.eastLon, -99);
}

}  // namespace
}  // namespace tg
