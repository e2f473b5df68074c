// The settings file: its defaults, stored paths and limits, the rule sections, uninstall log names.
#include <gtest/gtest.h>

#include "support/date_text.hpp"
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

// A missing file is created without data and reads the defaults (below the base directory); the
// first value written writes the whole default file first, the default rules in their section.
TEST_F(SettingsFileTest, AMissingFileReadsTheDefaultsAndTheFirstWriteFillsIt) {
  EXPECT_EQ(top.iniHProgramEditorDir(), "");
  EXPECT_EQ(top.iniHSourceIndex(), home.base() + "Tessaglyph/hfsrcidx.dbf");
  EXPECT_EQ(top.iniHMaxOpenAreaFiles(), 225);
  EXPECT_EQ(iniText(), "[Tessa Glyph]\nexists=False\n");
  EXPECT_FALSE(top.iniFileHasData());
  EXPECT_EQ(top.getTessaglyphININame(), home.base() + "Tessaglyph.ini");

  top.setIniHProgramsDir("/opt/scripts");
  const std::string text = iniText();
  for (const char* line :
       {"[Tessa Glyph]\nexists=True\nprogram editor dir=\n", "\nprograms dir=/opt/scripts\n",
        "\nsource data dir=\\Tessaglyph\\Source Data\n", "\nmax open area files=225\n\n",
        "\n[SPR_Templates]\nnum templates=1\ntemplate 1=Default\n\n[SPR Default]\nexists=True\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_TRUE(top.iniFileHasData());
}

// Stored paths are expanded only when they begin with a separator; the open file limit accepts
// only 1 to 225, read or written.
TEST_F(SettingsFileTest, StoredPathsAndTheOpenFileLimit) {
  const struct {
    const char* stored;
    std::string expected;
  } paths[] = {{"\\Data\\Grids", home.base() + "Data/Grids"},
               {"/Data/Grids", home.base() + "Data/Grids"},
               {"\\Data\\\\Grids\\", home.base() + "Data/Grids/"},
               {"relative\\folder", "relative\\folder"},
               {"/", home.base()}};
  for (const auto& row : paths) {
    storeKey("source data dir", row.stored);
    EXPECT_EQ(top.iniHSourceDataDir(), row.expected) << row.stored;
  }
  const struct {
    const char* stored;
    Integer expected;
  } limits[] = {{"1", 1}, {"225", 225}, {"0", 225}, {"300", 225}, {"many", 225}};
  for (const auto& row : limits) {
    storeKey("max open area files", row.stored);
    EXPECT_EQ(top.iniHMaxOpenAreaFiles(), row.expected) << row.stored;
  }
  storeKey("max open area files", "40");
  for (const auto& [written, read] : {std::pair{300, 40}, {0, 40}, {1, 1}, {225, 225}}) {
    top.setIniHMaxOpenAreaFiles(written);
    EXPECT_EQ(top.iniHMaxOpenAreaFiles(), read) << written;
  }
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
  const Date date = *parseDateText("2024-03-07 09:05:00");
  const std::string folder = home.base() + "Tessaglyph/QPK Uninstall/";
  EXPECT_EQ(top.getUninstallLogName(" pkg1 ", date), folder + "20240307_0905_1_PKG1.TGU");
  home.writeFile("base/Tessaglyph/QPK Uninstall/20240307_0905_1_PKG1.TGU", "log");
  EXPECT_EQ(top.getUninstallLogName("pkg1", date), folder + "20240307_0905_2_PKG1.TGU");
  home.writeFile("base/Tessaglyph/QPK Uninstall/20240307_0905_2_OTHER.tgu", "log");
  home.writeFile("base/Tessaglyph/QPK Uninstall/notes.txt", "not a log");
  EXPECT_EQ(top.getQPKUninstallLogs("").size(), 2u);
  EXPECT_EQ(top.getQPKUninstallLogs(" Pkg1 "),
            Array<std::string>(0, {folder + "20240307_0905_1_PKG1.TGU"}));
}

}  // namespace
}  // namespace tg
