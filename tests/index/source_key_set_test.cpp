// The process's set of known source files: filled from each table opened, extended by every file
// tried, kept when the index closes, and consulted instead of the table.
#include <gtest/gtest.h>

#include "index/index_test_support.hpp"

namespace tg {
namespace {

using test::IndexTest;

TEST_F(IndexTest, KnownFilesOutliveTheIndexAndItsRows) {
  const std::string other = home.root() + "other/";
  const auto reopen = [&](const std::string& folder) {
    index.stopIndexSystem();
    index.initIndexSystem("", folder + "hfsrcidx.dbf", folder + "hfscript.dbf");
  };
  registerScript("GRID");
  registerScript("FLAT", "*.FLT", {{"boundsmode", "latlonbounding"}});
  reopen(other);
  registerScript("GRID");
  const struct {
    const char* step;  // "open <table>", "new process", "delete <record>" or a file to index
    const char* script;
    Long found;
  } rows[] = {
      {"a.dat", "GRID", TG_I_FOUND_NEW},
      {"open main", "", 0},
      {"a.dat", "GRID", TG_I_FOUND_ALREADY},  // known from the other table
      {"b.flt", "FLAT", TG_I_FOUND_NOTINDEXED},
      {"B.FLT", "FLAT", TG_I_FOUND_ALREADY},  // tried before, never indexed
      {"c.dat", "GRID", TG_I_FOUND_NEW},
      {"delete 0", "", 0},
      {"c.dat", "GRID", TG_I_FOUND_ALREADY},  // its row is gone, the key is not
      {"d.dat", "GRID", TG_I_FOUND_NEW},
      {"new process", "", 0},
      {"open main", "", 0},
      {"d.dat", "GRID", TG_I_FOUND_ALREADY},  // learnt from the table
      {"c.dat", "GRID", TG_I_FOUND_NEW},
      {"b.flt", "FLAT", TG_I_FOUND_NOTINDEXED},
  };
  for (const auto& row : rows) {
    const std::string step = row.step;
    if (step == "open main") {
      reopen(tables());
    } else if (step == "new process") {
      index.stopIndexSystem();
      index::state().sourceKeys.clear();
    } else if (step.starts_with("delete ")) {
      index.deleteIndexedFile(std::stol(step.substr(7)));
    } else {
      EXPECT_EQ(indexFile(step, row.script), row.found) << step;
    }
  }
  EXPECT_EQ(index.numIndexRecords(), 2);

  // A scan offers only the files the process does not know.
  reopen(other);
  dataFile("e.dat");
  Long found = 0;
  const Array<std::string> files = index.directoryScan(home.root() + "data", found);
  EXPECT_EQ(found, 1);
  ASSERT_EQ(files.ubound(), 1);
  EXPECT_EQ(files[1], home.root() + "data/e.dat");
}

}  // namespace
}  // namespace tg
