// The `tessaglyph` tool run as a user runs it: answers, messages and exit status of each
// subcommand, the error paths included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

struct Case {
  const char* what;
  std::vector<std::string> arguments;
  std::string input;
  int status;
  std::string out;  // expected in standard output
  std::string err;  // expected in standard error ("" expects it empty)
};

TEST_F(TessaglyphTool, AnswersAndExitStatus) {
  const std::string srtmScript = script("srtm_hgt");
  const Case cases[] = {
      {"one position",
       {"point", "--script", srtmScript, srtm(), "46.6", "-121.7"},
       "",
       0,
       "\n",
       ""},
      {"a bundled script by name",
       {"point", "--script", "srtm_hgt", srtm(), "46.6", "-121.7", "--interp", "4"},
       "",
       0,
       "868\n",
       ""},
      {"longitudes past 180 wrap",
       {"point", "--script", srtmScript, srtm(), "--interp", "4"},
       "46.6,238.3\n46.6,-481.7\n",
       1,
       "46.6,238.3,868\n*,*,*\n",
       "line 2: longitude -481.7"},
      {"NAD83 positions on an SRTM tile",
       {"point", "--script", srtmScript, srtm(), "46.6", "-121.7", "--datum", "NAD83"},
       "",
       0,
       "\n",
       ""},
      {"NAD27 positions on an SRTM tile",
       {"point", "--script", srtmScript, srtm(), "46.6", "-121.7", "--datum", "NAD27"},
       "",
       0,
       "\n",
       ""},
      {"an unknown datum",
       {"point", "--script", srtmScript, srtm(), "46.6", "-121.7", "--datum", "Atlantis"},
       "",
       2,
       "",
       "cannot be converted"},
      {"a missing file",
       {"point", "--script", srtmScript, "nowhere.hgt", "1", "2"},
       "",
       2,
       "",
       "file \"nowhere.hgt\" does not exist"},
      {"a missing script",
       {"point", "--script", "no_such_script", srtm(), "1", "2"},
       "",
       2,
       "",
       "script \"no_such_script\" does not exist"},
      {"an unknown option", {"point", "--scrip", srtmScript, srtm()}, "", 2, "", "--help"},
      {"no subcommand", {}, "", 2, "", "A subcommand is required"},
      {"a bad position",
       {"point", "--script", srtmScript, srtm(), "north", "-121.7"},
       "",
       2,
       "",
       "latitude \"north\" is not a number"},
      {"a file its script refuses, with the reason",
       {"point", "--script", script("esri_ascii"), (data() / "refused.asc").string(), "0", "0"},
       "",
       2,
       "",
       "(error 14006): duplicate header key"},
      {"a failed read counts",
       {"point", "--script", script("esri_ascii"), (data() / "short.asc").string()},
       "46.5,-120.5\n46.5,-119.5\n",
       1,
       "46.5,-120.5,3\n46.5,-119.5,-52000\n",
       "line 2: reading 46.5,-119.5 failed (-52000)\ntessaglyph point: 1 row not read"},
      {"no data is an answer",
       {"point", "--script", srtmScript, srtm()},
       "lat,lon\n10,10\n",
       0,
       "lat,lon,value\n10,10,-32100\n",
       ""},
      {"CSV rows that are no positions",
       {"point", "--script", srtmScript, srtm()},
       "# note\n46.6,-121.7\nx,y\n1,2,3\n\n",
       1,
       "# note\n",
       "line 3: latitude \"x\" is not a number"},
      {"a line too long",
       {"point", "--script", srtmScript, srtm()},
       "46.6,-121.7\n" + std::string(70000, '1') + "\n46.6,-121.7\n",
       1,
       "*,*,*\n",
       "line 2: longer than 65536 bytes"},
      {"the vertical reference",
       {"info", "--script", srtmScript, srtm()},
       "",
       0,
       "vertical       EGM96 geoid\n",
       ""},
      {"info on a missing file",
       {"info", "--script", srtmScript, "nowhere.hgt"},
       "",
       2,
       "",
       "does not exist"},
      {"Meades Ranch NAD27 to NAD83",
       {"convert", "--from", "NAD27", "--to", "NAD83", "39.224079444", "-98.541807222"},
       "",
       0,
       "39.22408916",
       ""},
      {"NAD83 to WGS84",
       {"convert", "--from", "NAD83", "--to", "WGS84", "46.6", "-121.7"},
       "",
       0,
       ",0\n",
       ""},
      {"convert with an unknown datum",
       {"convert", "--from", "Atlantis", "--to", "NAD83", "39", "-98"},
       "",
       2,
       "",
       "unknown datum \"Atlantis\""},
      {"convert rows that fail",
       {"convert", "--from", "NAD27", "--to", "NAD83"},
       "39.2,-98.5\n45,10\n",
       1,
       ",0\n45.000000000,10.000000000,",
       "1 row not converted"},
      {"the version", {"--version"}, "", 0, "tessaglyph ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolResult result = runTool("tessaglyph", c.arguments, c.input);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
    EXPECT_EQ(result.err.find("encountered a script error"), std::string::npos);
    EXPECT_LT(result.err.size(), 2000u);
  }
}

// The index commands, then reads through the indexed files, in one base directory of their own.
TEST_F(TessaglyphTool, IndexAndReadsThroughIt) {
  test::TemporaryFolder home;
  test::ScopedEnvironment base("TESSAGLYPH_HOME", home.folder());
  // The sample tile again, one degree further north.
  const std::string tile = home.folder() + "N47W122.hgt";
  fs::copy_file(srtm(), tile);
  const Case cases[] = {
      {"reads before anything is indexed",
       {"point", "--index", "46.6", "-121.7"},
       "",
       2,
       "",
       "the index holds no file"},
      {"the bundled scripts", {"index", "defaults"}, "", 0, "SRTM", "bundled scripts registered"},
      {"a tile by the script its name fits", {"index", "add", srtm(), tile}, "", 0, "indexed", ""},
      {"a file indexed twice", {"index", "add", srtm()}, "", 0, "already indexed", ""},
      {"a file that is not there", {"index", "add", "nowhere.hgt"}, "", 1, "nowhere.hgt", ""},
      {"the list", {"index", "list"}, "", 0, "N46W122.hgt", ""},
      {"the scripts", {"index", "--json", "list", "--scripts"}, "", 0, "\"name\"", ""},
      {"one position through the index",
       {"point", "--index", "46.6", "-121.7", "--interp", "4"},
       "",
       0,
       "868\n",
       ""},
      {"a stream over everything indexed",
       {"point", "--index", "--interp", "4"},
       "46.6,-121.7\n47.6,-121.7\n",
       0,
       "46.6,-121.7,868\n47.6,-121.7,868\n",
       ""},
      {"a position no indexed file covers",
       {"point", "--index", "10", "10"},
       "",
       2,
       "",
       "no indexed file covers"},
      {"bounds that are no rectangle",
       {"point", "--index", "--bounds", "46,-122,47,-121", "46.6", "-121.7"},
       "",
       2,
       "",
       "--bounds wants N,W,S,E"},
      {"rules that are not in the settings",
       {"point", "--index", "--rules", "Nowhere", "46.6", "-121.7"},
       "",
       2,
       "",
       "33005"},
      {"files as well as the index",
       {"point", "--index", srtm(), "46.6", "-121.7"},
       "",
       2,
       "",
       "--index takes no files"},
      {"a profile through the index",
       {"profile", "46.6", "-121.7", "47.6", "-121.7", "--samples", "3", "--index", "--interp",
        "4"},
       "",
       0,
       "0.0,46.6000000,-121.7000000,868\n",
       ""},
      {"the area of the index", {"area", "info", "--index"}, "", 0, "files          2", ""},
      {"a file taken out", {"index", "remove", tile}, "", 0, "", ""},
      {"the settings", {"settings"}, "", 0, "Tessaglyph.ini", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolResult result = runTool("tessaglyph", c.arguments, c.input);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
  }
}

}  // namespace
}  // namespace tg::tools_test
