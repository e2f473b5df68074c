// The tessaglyph tool as a user runs it: answers, messages and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "source/nadcon_test_files.hpp"
#include "support/test_environment.hpp"
#include "tools/tool_runner.hpp"

namespace tg::tools_test {
namespace {

namespace fs = std::filesystem;

// The demo's sample files, and a base directory holding the NADCON grids of the repository.
class TessaglyphTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_folder = std::make_unique<test::TemporaryFolder>();
    const ToolResult samples = runTool("tgsample", {data().string()});
    ASSERT_EQ(samples.status, 0) << samples.err;
    test::linkRepositoryNadconGrids(s_folder->path() / "home" / "NADCON");
    std::ofstream(data() / "refused.asc") << "ncols 2\nnrows 1\nncols 2\nxllcorner 0\n"
                                             "yllcorner 0\ncellsize 1\n1 2\n";
    std::ofstream(data() / "short.asc") << "ncols 2\nnrows 2\nxllcorner -121\nyllcorner 46\n"
                                           "cellsize 1\n1 2\n3\n";
  }
  static void TearDownTestSuite() { s_folder.reset(); }
  void SetUp() override {
    m_home = std::make_unique<test::ScopedEnvironment>("TESSAGLYPH_HOME",
                                                       (s_folder->path() / "home").string());
  }

  static fs::path data() { return s_folder->path() / "data"; }
  static std::string srtm() { return (data() / "N46W122.hgt").string(); }
  static std::string script(const char* name) {
    return (kBinaryDir / "scripts" / (std::string(name) + ".tgp")).string();
  }

  static std::unique_ptr<test::TemporaryFolder> s_folder;
  std::unique_ptr<test::ScopedEnvironment> m_home;
};
std::unique_ptr<test::TemporaryFolder> TessaglyphTool::s_folder;

TEST_F(TessaglyphTool, AnswersAndExitStatus) {
  const std::map<std::string, std::string> words = {{"SRTM", script("srtm_hgt")},
                                                    {"ASCII", script("esri_ascii")},
                                                    {"TILE", srtm()},
                                                    {"REFUSED", (data() / "refused.asc").string()},
                                                    {"SHORT", (data() / "short.asc").string()}};
  const std::string tooLong = "46.6,-121.7\n" + std::string(70000, '1') + "\n46.6,-121.7\n";
  const ToolCase cases[] = {
      {"point --script SRTM TILE 46.6 -121.7", "", 0, "\n", ""},
      {"point --script srtm_hgt TILE 46.6 -121.7 --interp 4", "", 0, "868\n", ""},
      {"point --script SRTM TILE --interp 4", "46.6,238.3\n46.6,-481.7\n", 1,
       "46.6,238.3,868\n*,*,*\n", "line 2: longitude -481.7"},
      {"point --script SRTM TILE 46.6 -121.7 --datum NAD83", "", 0, "\n", ""},
      {"point --script SRTM TILE 46.6 -121.7 --datum NAD27", "", 0, "\n", ""},
      {"point --script SRTM TILE 46.6 -121.7 --datum Atlantis", "", 2, "", "cannot be converted"},
      {"point --script SRTM nowhere.hgt 1 2", "", 2, "", "file \"nowhere.hgt\" does not exist"},
      {"point --script no_such_script TILE 1 2", "", 2, "", "script \"no_such_script\" does not"},
      {"point --scrip SRTM TILE", "", 2, "", "--help"},
      {"", "", 2, "", "A subcommand is required"},
      {"point --script SRTM TILE north -121.7", "", 2, "", "latitude \"north\" is not a number"},
      {"point --script ASCII REFUSED 0 0", "", 2, "", "(error 14006): duplicate header key"},
      {"point --script ASCII SHORT", "46.5,-120.5\n46.5,-119.5\n", 1,
       "46.5,-120.5,3\n46.5,-119.5,-52000\n",
       "line 2: reading 46.5,-119.5 failed (-52000)\ntessaglyph point: 1 row not read"},
      {"point --script SRTM TILE", "lat,lon\n10,10\n", 0, "lat,lon,value\n10,10,-32100\n", ""},
      {"point --script SRTM TILE", "# note\n46.6,-121.7\nx,y\n1,2,3\n\n", 1, "# note\n",
       "line 3: latitude \"x\" is not a number"},
      {"point --script SRTM TILE", tooLong, 1, "*,*,*\n", "line 2: longer than 65536 bytes"},
      {"info --script SRTM TILE", "", 0, "vertical       EGM96 geoid\n", ""},
      {"info --script SRTM nowhere.hgt", "", 2, "", "does not exist"},
      {"convert --from NAD27 --to NAD83 39.224079444 -98.541807222", "", 0, "39.22408916", ""},
      {"convert --from NAD83 --to WGS84 46.6 -121.7", "", 0, ",0\n", ""},
      {"convert --from Atlantis --to NAD83 39 -98", "", 2, "", "unknown datum \"Atlantis\""},
      {"convert --from NAD27 --to NAD83", "39.2,-98.5\n45,10\n", 1,
       ",0\n45.000000000,10.000000000,", "1 row not converted"},
      {"--version", "", 0, "tessaglyph ", ""}};
  for (const ToolCase& c : cases) {
    const ToolResult result = runTool("tessaglyph", commandWords(c.line, words), c.input);
    expectAnswer(result, c);
    EXPECT_EQ(result.err.find("encountered a script error"), std::string::npos) << c.line;
  }
}

// The index commands, then reads through the indexed files, in one base directory of their own.
TEST_F(TessaglyphTool, IndexAndReadsThroughIt) {
  test::TemporaryFolder home;
  test::ScopedEnvironment base("TESSAGLYPH_HOME", home.folder());
  // The sample tile again, one degree further north.
  const std::string tile = home.folder() + "N47W122.hgt";
  fs::copy_file(srtm(), tile);
  const std::map<std::string, std::string> words = {{"TILE", srtm()}, {"NORTH", tile}};
  const ToolCase cases[] = {
      {"point --index 46.6 -121.7", "", 2, "", "the index holds no file"},
      {"index defaults", "", 0, "SRTM", "bundled scripts registered"},
      {"index add TILE NORTH", "", 0, "indexed", ""},
      {"index add TILE", "", 0, "already indexed", ""},
      {"index add nowhere.hgt", "", 1, "nowhere.hgt", ""},
      {"index list", "", 0, "N46W122.hgt", ""},
      {"index --json list --scripts", "", 0, "\"name\"", ""},
      {"point --index 46.6 -121.7 --interp 4", "", 0, "868\n", ""},
      {"point --index --interp 4", "46.6,-121.7\n47.6,-121.7\n", 0,
       "46.6,-121.7,868\n47.6,-121.7,868\n", ""},
      {"point --index 10 10", "", 2, "", "no indexed file covers"},
      {"point --index --bounds 46,-122,47,-121 46.6 -121.7", "", 2, "", "--bounds wants N,W,S,E"},
      {"point --index --rules Nowhere 46.6 -121.7", "", 2, "", "33005"},
      {"point --index TILE 46.6 -121.7", "", 2, "", "--index takes no files"},
      {"profile 46.6 -121.7 47.6 -121.7 --samples 3 --index --interp 4", "", 0,
       "0.0,46.6000000,-121.7000000,868\n", ""},
      {"area info --index", "", 0, "files          2", ""},
      {"index remove NORTH", "", 0, "", ""},
      {"settings", "", 0, "Tessaglyph.ini", ""}};
  for (const ToolCase& c : cases) {
    expectAnswer(runTool("tessaglyph", commandWords(c.line, words), c.input), c);
  }
}

}  // namespace
}  // namespace tg::tools_test
