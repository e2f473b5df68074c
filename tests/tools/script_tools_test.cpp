// tgasm, tgvocab and tgsample run as a user runs them: exit status and one-line messages on
// every error path.
#include <gtest/gtest.h>

#include <cstdint>
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

// The example script reads the SEG1 sample tgsample writes: INIT accepts it, the title comes
// back, and a node reads the 2-byte value stored for it.
TEST(ScriptTools, TheExampleScriptReadsItsOwnSample) {
  test::TemporaryFolder folder;
  ASSERT_EQ(runTool("tgsample", {folder.folder()}).status, 0);
  const std::string seg = (folder.path() / "example.seg").string();
  const std::string program = (kBinaryDir / "scripts" / "example_grid.tgp").string();

  const std::string bytes = fileText(seg);
  const std::string title = "Example grid near Mount Rainier";
  ASSERT_EQ(bytes.substr(36, title.size() + 2), title + "\r\n");
  // Column 40, row 20: 100 columns from -121.85, rows from 46.75, 0.0025 degrees apart.
  const std::size_t at = 36 + title.size() + 2 + 2 * (20 * 100 + 40);
  const int stored =
      std::int16_t(std::uint8_t(bytes[at]) | (std::uint16_t(std::uint8_t(bytes[at + 1])) << 8));

  const ToolResult init = runTool("tgasm", {"run", program, "--routine", "init", "--file", seg});
  EXPECT_EQ(init.status, 0) << init.err;
  const ToolResult read = runTool("tgasm", {"run", program, "--attribute", "title", "--file", seg});
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, title + "\n");
  const ToolResult value = runTool("tgasm", {"run", program, "--attribute", "datapoint", "--file",
                                             seg, "--set", "x=-121.75", "--set", "y=46.7"});
  EXPECT_EQ(value.status, 0) << value.err;
  EXPECT_EQ(value.out, std::to_string(stored) + "\n");
}

}  // namespace
}  // namespace tg::tools_test
