// tgasm, tgvocab and tgsample as a user runs them: exit status and messages.
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

TEST(ScriptTools, ExitStatusAndMessages) {
  test::TemporaryFolder folder;
  const std::string refused = (folder.path() / "refused.tgs").string();
  const std::string grid = (folder.path() / "grid.asc").string();
  std::ofstream(refused) << "bogus_instruction 1\n";
  std::ofstream(grid) << "ncols 2\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 1\n1 2\n3 4\n";
  const std::map<std::string, std::string> words = {
      {"DIR", folder.folder()},
      {"BAD", refused},
      {"GRID", grid},
      {"SRC", (kSourceDir / "scripts" / "esri_ascii.tgs").string()},
      {"PROGRAM", (kBinaryDir / "scripts" / "esri_ascii.tgp").string()},
      {"OUT", folder.folder() + "r.tgp"}};
  // The tool is the first word.
  const ToolCase cases[] = {
      {"tgasm --version", "", 0, "tgasm ", ""},
      {"tgasm --bogus", "", 2, "", "--help"},
      {"tgasm build", "", 2, "", "SCRIPT is required"},
      {"tgasm build DIR", "", 2, "", "is not a file\n"},
      {"tgasm build nowhere.tgs", "", 2, "", "nowhere.tgs does not exist\n"},
      {"tgasm build SRC -o /nonexistent-folder/x.tgp", "", 2, "",
       "cannot build /nonexistent-folder/x"},
      {"tgasm build SRC -o DIR", "", 2, "", "it is a folder\n"},
      {"tgasm build BAD -o OUT", "", 1, "", "refused.tgs:1:"},
      {"tgasm run x.tgp", "", 2, "", "--routine or --attribute"},
      {"tgasm run PROGRAM --attribute datapoint --file GRID --set x=11.5 --set y=20.5", "", 0,
       "4\n", ""},
      {"tgasm run PROGRAM --attribute rows --file GRID", "", 0, "2\n", ""},
      {"tgasm run PROGRAM --routine valid --file GRID", "", 0, "-1\n", ""},
      {"tgasm run PROGRAM --attribute rows --set nowhere=1", "", 2, "", "predefined variable's"},
      {"tgasm run PROGRAM --routine init --source SRC", "", 2, "", "--source requires --step"},
      {"tgvocab --version", "", 0, "tgvocab ", ""},
      {"tgvocab --bogus", "", 2, "", "--help"},
      {"tgvocab lookup no_such_name", "", 1, "", "is not an instruction"},
      {"tgvocab lookup load", "", 0, "load", ""},
      {"tgsample --version", "", 0, "tgsample ", ""},
      {"tgsample", "", 2, "", "folder is required"},
      {"tgsample /proc/no-samples-here", "", 2, "", "cannot write the samples"}};
  for (const ToolCase& c : cases) {
    auto arguments = commandWords(c.line, words);
    const std::string tool = arguments.front();
    arguments.erase(arguments.begin());
    const ToolResult result = runTool(tool, arguments);
    expectAnswer(result, c);
    EXPECT_EQ(result.err.find("basic_filebuf"), std::string::npos) << result.err;
  }
}

// The example script reads the sample tgsample writes: INIT, the title, a node's value.
TEST(ScriptTools, TheExampleScriptReadsItsOwnSample) {
  test::TemporaryFolder folder;
  ASSERT_EQ(runTool("tgsample", {folder.folder()}).status, 0);
  const std::string seg = (folder.path() / "example.seg").string();
  const std::map<std::string, std::string> words = {
      {"SEG", seg}, {"PROGRAM", (kBinaryDir / "scripts" / "example_grid.tgp").string()}};
  const std::string bytes = fileText(seg);
  const std::string title = "Example grid near Mount Rainier";
  ASSERT_EQ(bytes.substr(36, title.size() + 2), title + "\r\n");
  // Column 40, row 20: 100 columns from -121.85, rows from 46.75, 0.0025 degrees apart.
  const std::size_t at = 36 + title.size() + 2 + 2 * (20 * 100 + 40);
  const int stored =
      std::int16_t(std::uint8_t(bytes[at]) | (std::uint16_t(std::uint8_t(bytes[at + 1])) << 8));
  const std::pair<const char*, std::string> runs[] = {
      {"run PROGRAM --routine init --file SEG", ""},
      {"run PROGRAM --attribute title --file SEG", title + "\n"},
      {"run PROGRAM --attribute datapoint --file SEG --set x=-121.75 --set y=46.7",
       std::to_string(stored) + "\n"}};
  for (const auto& [line, out] : runs) {
    const ToolResult result = runTool("tgasm", commandWords(line, words));
    EXPECT_EQ(result.status, 0) << line << result.err;
    if (!out.empty()) {
      EXPECT_EQ(result.out, out) << line;
    }
  }
}

}  // namespace
}  // namespace tg::tools_test
