// Runs a built tool as a user would: arguments, input, output, errors and exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_environment.hpp"

namespace tg::tools_test {

inline const std::filesystem::path kBinaryDir = TG_BINARY_DIR;
inline const std::filesystem::path kSourceDir = TG_SOURCE_DIR;

struct ToolResult {
  int status = -1;
  std::string out, err;
};

inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs build/<kind>/<tool> with the arguments, `input` on standard input.
inline ToolResult runTool(const std::string& tool, const std::vector<std::string>& arguments,
                          const std::string& input = {}) {
  const auto quoted = [](const std::string& text) {
    std::string result = "'";
    for (const char c : text)
      result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
  };
  test::TemporaryFolder folder;
  std::ofstream(folder.path() / "in", std::ios::binary) << input;
  std::string command = quoted((kBinaryDir / tool).string());
  for (const std::string& argument : arguments)
    command += ' ' + quoted(argument);
  const auto at = [&](const char* name) { return quoted((folder.path() / name).string()); };
  command += " < " + at("in") + " > " + at("out") + " 2> " + at("err");
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileText(folder.path() / "out"),
          fileText(folder.path() / "err")};
}

// A command line split at blanks; a word that is a key of `words` is replaced by its value.
inline std::vector<std::string> commandWords(std::string_view line,
                                             const std::map<std::string, std::string>& words) {
  std::vector<std::string> result;
  std::istringstream in{std::string(line)};
  for (std::string word; in >> word;)
    result.push_back(words.contains(word) ? words.at(word) : word);
  return result;
}

// A tool's table row: command line, input, exit status, expected output and errors.
struct ToolCase {
  const char* line;
  std::string input;
  int status;
  std::string out, err;
};

// Exit status, expected output, and expected errors or none at all.
inline void expectAnswer(const ToolResult& result, const ToolCase& c) {
  SCOPED_TRACE(c.line);
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
  if (c.err.empty()) {
    EXPECT_EQ(result.err, "");
  } else {
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
  EXPECT_LT(result.err.size(), 2000u);
}

}  // namespace tg::tools_test
