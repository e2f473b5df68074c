// tgasm, tgvocab and tgsample run as a user runs them: exit status and one-line messages on
// every error path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_environment.hpp"
#include "tools/tool_runner.hpp"

namespace tg::tools_test {
namespace {

struct Case {
  const char* tool;
  std::vector<std::string> arguments;
  int status;
  std::string out;  // expected in standard output
  std::string err;  // expected in standard error
};

TEST(ScriptTools, ExitStatusAndMessages) {
  test::TemporaryFolder folder;
  const std::string refused = (folder.path() / "refused.tgs").string();
  std::ofstream(refused) << "bogus_instruction 1\n";
  const std::string example = (kSourceDir / "scripts" / "esri_ascii.tgs").string();
  const std::string ascii = (kBinaryDir / "scripts" / "esri_ascii.tgp").string();
  const std::string grid = (folder.path() / "grid.asc").string();
  std::ofstream(grid) << "ncols 2\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 1\n1 2\n3 4\n";
  const Case cases[] = {
      {"tgasm", {"--version"}, 0, "tgasm ", ""},
      {"tgasm", {"--bogus"}, 2, "", "--help"},
      {"tgasm", {"build"}, 2, "", "SCRIPT is required"},
      {"tgasm", {"build", folder.folder()}, 2, "", "is not a file\n"},
      {"tgasm", {"build", "nowhere.tgs"}, 2, "", "nowhere.tgs does not exist\n"},
      {"tgasm",
       {"build", example, "-o", "/nonexistent-folder/x.tgp"},
       2,
       "",
       "cannot build /nonexistent-folder/x.tgp"},
      {"tgasm", {"build", example, "-o", folder.folder()}, 2, "", "it is a folder\n"},
      {"tgasm", {"build", refused, "-o", folder.folder() + "r.tgp"}, 1, "", "refused.tgs:1:"},
      {"tgasm", {"run", "x.tgp"}, 2, "", "--routine or --attribute"},
      {"tgasm",
       {"run", ascii, "--attribute", "datapoint", "--file", grid, "--set", "x=11.5", "--set",
        "y=20.5"},
       0,
       "4\n",
       ""},
      {"tgasm", {"run", ascii, "--attribute", "rows", "--file", grid}, 0, "2\n", ""},
      {"tgasm", {"run", ascii, "--routine", "valid", "--file", grid}, 0, "-1\n", ""},
      {"tgasm",
       {"run", ascii, "--attribute", "rows", "--set", "nowhere=1"},
       2,
       "",
       "predefined variable's name"},
      {"tgasm",
       {"run", ascii, "--routine", "init", "--source", example},
       2,
       "",
       "--source requires --step"},
      {"tgvocab", {"--version"}, 0, "tgvocab ", ""},
      {"tgvocab", {"--bogus"}, 2, "", "--help"},
      {"tgvocab", {"lookup", "no_such_name"}, 1, "", "is not an instruction"},
      {"tgvocab", {"lookup", "load"}, 0, "load", ""},
      {"tgsample", {"--version"}, 0, "tgsample ", ""},
      {"tgsample", {}, 2, "", "folder is required"},
      {"tgsample", {"/proc/no-samples-here"}, 2, "", "cannot write the samples"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + (c.arguments.empty() ? "" : c.arguments[0]));
    const ToolResult result = runTool(c.tool, c.arguments);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("basic_filebuf"), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace tg::tools_test
