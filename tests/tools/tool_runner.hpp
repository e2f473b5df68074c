// Runs a built tool as a user would: arguments, text on standard input, and what comes back on
// standard output and standard error with the exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_environment.hpp"

namespace tg::tools_test {

inline const std::filesystem::path kBinaryDir = TG_BINARY_DIR;
inline const std::filesystem::path kSourceDir = TG_SOURCE_DIR;

struct ToolResult {
  int status = -1;
  std::string out, err;
};

inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs build/<kind>/<tool> with the arguments, `input` on standard input.
inline ToolResult runTool(const std::string& tool, const std::vector<std::string>& arguments,
                          const std::string& input = {}) {
  test::TemporaryFolder folder;
  {
    std::ofstream in(folder.path() / "in", std::ios::binary);
    in << input;
  }
  std::string command = shellQuoted((kBinaryDir / tool).string());
  for (const std::string& argument : arguments)
    command += ' ' + shellQuoted(argument);
  command += " < " + shellQuoted((folder.path() / "in").string());
  command += " > " + shellQuoted((folder.path() / "out").string());
  command += " 2> " + shellQuoted((folder.path() / "err").string());
  const int raw = std::system(command.c_str());
  ToolResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = fileText(folder.path() / "out");
  result.err = fileText(folder.path() / "err");
  return result;
}

}  // namespace tg::tools_test
