// The public headers are the contract with hosts: outside comments, forward declarations and
// friend declarations they name no type of the library's internal headers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::regex kDefinition(R"(^\s*(?:class|struct)\s+(\w+)\s*(?:final\s*)?[:{])");

std::set<std::string> typesDefinedUnder(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().extension() != ".hpp") continue;
    std::ifstream in(entry.path());
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_search(line, match, kDefinition)) names.insert(match[1]);
    }
  }
  return names;
}

TEST(PublicHeaders, NameNoInternalType) {
  const fs::path root = TG_SOURCE_DIR;
  const std::set<std::string> published = typesDefinedUnder(root / "include");
  std::set<std::string> internal;
  for (const std::string& name : typesDefinedUnder(root / "src")) {
    if (!published.contains(name)) internal.insert(name);
  }
  ASSERT_FALSE(internal.empty());
  const std::regex declarationOnly(R"(^\s*(friend\s+)?(class|struct)\s+\w+;)");
  const std::regex word(R"(\b\w+\b)");
  for (const auto& entry : fs::directory_iterator(root / "include" / "tessaglyph")) {
    std::ifstream in(entry.path());
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      const std::string code = line.substr(0, line.find("//"));
      if (std::regex_search(code, declarationOnly)) continue;
      for (std::sregex_iterator it(code.begin(), code.end(), word), end; it != end; ++it) {
        EXPECT_FALSE(internal.contains(it->str()))
            << entry.path().filename() << ":" << number << " names " << it->str();
      }
    }
  }
}

}  // namespace
