// An index in a temporary home: scripts assembled from parts, data files to index, and the
// index opened on tables of its own, closed again at the end.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <string>

#include "index/index_state.hpp"
#include "source/source_file_test_support.hpp"
#include "tessaglyph/index.hpp"

namespace tg::test {

// Answers input boxes from a queue (the default text once it is empty).
class PromptingUserInterface : public ScriptedUserInterface {
 public:
  std::deque<std::string> inputs;
  std::vector<std::string> prompts;

  std::string inputBox(const std::string&, const std::string& title,
                       const std::string& defaultText) override {
    prompts.push_back(title);
    const std::string answer = inputs.empty() ? defaultText : inputs.front();
    if (!inputs.empty()) inputs.pop_front();
    return answer;
  }
};

class IndexTest : public ::testing::Test {
 protected:
  TemporaryHome home;
  PromptingUserInterface ui;
  TessaglyphIndex index;

  void SetUp() override {
    index.stopIndexSystem();
    index::state().sourceKeys.clear();  // each test knows the files a fresh process would
    index.initIndexSystem("", tables() + "hfsrcidx.dbf", tables() + "hfscript.dbf");
  }
  void TearDown() override { index.stopIndexSystem(); }

  std::string tables() const { return home.root() + "tables/"; }
  std::string databasePath() const { return tables() + "tessaglyph-index.db"; }

  // Builds a script program from a spec and returns its path.
  std::string writeScript(const ScriptSpec& spec, const std::string& name) {
    TessaglyphProgram program = assembleProgram(scriptSource(spec), name + ".tgs");
    const std::string path = home.root() + "scripts/" + name + ".tgp";
    std::filesystem::create_directories(home.root() + "scripts");
    EXPECT_GT(program.writeProgram(path, 1), 1);
    return path;
  }
  // A script over 35..36 N, 100..99 W registered under `name` with a filter.
  std::string registerScript(const std::string& name, const std::string& filter = "*.DAT",
                             std::map<std::string, std::string> bounds = latLonBounds(),
                             const std::string& valid = {}, Long useValid = 0) {
    const std::string path =
        writeScript(ScriptSpec().withAttributes(std::move(bounds)).withValid(valid), name);
    index.indexScriptFile(path, name, filter, useValid);
    return path;
  }
  // Writes a data file and returns its path.
  std::string dataFile(const std::string& name) const {
    home.writeFile("data/" + name, "data");
    return home.root() + "data/" + name;
  }
  Long indexFile(const std::string& name, const std::string& script = "GRID",
                 const std::string& category = {}) {
    Long found = 99;
    index.indexSourceFile(dataFile(name), script, category, false, nullptr, &found);
    return found;
  }
};

}  // namespace tg::test
