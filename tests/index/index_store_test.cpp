// The SQLite tables of the index: bounds queries, several connections and processes, and a
// writer killed in the middle.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "index/index_store.hpp"
#include "support/test_environment.hpp"

namespace tg {
namespace {

// Row i lies at west = -100 + i % 50, south = 30 + i % 20, 1x1 degree.
SourceRow row(int i) {
  SourceRow r;
  r.sourcePath = "/data/";
  r.sourceFile = "file" + std::to_string(i) + ".dat";
  r.scriptFile = "/scripts/grid.tgp";
  r.scriptName = "GRID";
  r.westLon = -100 + i % 50;
  r.eastLon = r.westLon + 1;
  r.southLat = 30 + i % 20;
  r.northLat = r.southLat + 1;
  r.xRes = r.yRes = 30;
  return r;
}

class IndexStoreTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;

  std::unique_ptr<IndexStore> open() const {
    return openSqliteIndexStore({folder.folder() + "hfsrcidx.dbf", folder.folder() + "hfscript.dbf",
                                 folder.folder() + "hfrmdesc.dbf"});
  }
  std::string integrity() const {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_open((folder.folder() + "tessaglyph-index.db").c_str(), &db);
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    const std::string result = sqlite3_step(stmt) == SQLITE_ROW
                                   ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                                   : "no answer";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
  }
  // Runs `work` in a child process that leaves through _exit, with status 1 if it threw.
  template <typename Work>
  static pid_t child(Work work) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    int status = 0;
    try {
      work();
    } catch (...) {
      status = 1;
    }
    _exit(status);
  }
};

TEST_F(IndexStoreTest, AKilledWriterLeavesTheDatabaseWholeWithEveryCommittedRow) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t writer = child([&] {
    close(pipeEnds[0]);
    auto store = open();
    for (int i = 0;; ++i) {
      store->addSource(row(i));
      if (write(pipeEnds[1], &i, sizeof i) != sizeof i) return;
    }
  });
  close(pipeEnds[1]);
  int committed = -1;
  while (committed < 200 && read(pipeEnds[0], &committed, sizeof committed) == sizeof committed) {
  }
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  close(pipeEnds[0]);
  ASSERT_GE(committed, 200);
  EXPECT_EQ(integrity(), "ok");
  auto store = open();
  const Long count = store->sourceCount();
  EXPECT_GE(count, committed + 1);
  for (Long n = 0; n < count; ++n)
    ASSERT_EQ(store->source(n).sourceFile, row(int(n)).sourceFile);
  EXPECT_TRUE(store->addSource(row(100000)));
  EXPECT_EQ(store->sourceCount(), count + 1);
}

TEST_F(IndexStoreTest, TwoProcessesIndexingAtOnceLoseNoRowAndAddNoneTwice) {
  open();  // the tables exist before the race starts
  std::vector<pid_t> writers;
  for (const int first : {0, 150})
    writers.push_back(child([&, first] {
      auto store = open();
      for (int i = first; i < first + 300; ++i)
        store->addSource(row(i));
      if (store->sourceCount() < 300) throw 1;
    }));
  for (pid_t pid : writers) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto store = open();
  ASSERT_EQ(store->sourceCount(), 450);
  std::set<std::string> names;
  store->forEachSource([&](const SourceRow& r) { names.insert(r.sourceFile); });
  EXPECT_EQ(names.size(), 450u);
  EXPECT_EQ(integrity(), "ok");
}

TEST_F(IndexStoreTest, RowsAddedByAnotherConnectionAreSeen) {
  auto mine = open();
  auto theirs = open();
  mine->addSource(row(1));
  EXPECT_EQ(theirs->sourceCount(), 1);
  EXPECT_FALSE(theirs->addSource(row(1)));
  theirs->addSource(row(2));
  EXPECT_EQ(mine->findSourceKey(sourceKeyOf("/DATA/", "FILE2.DAT")), 1);
  mine->deleteSource(0);
  EXPECT_EQ(theirs->findSourceKey(sourceKeyOf("/data/", "file2.dat")), 0);
}

}  // namespace
}  // namespace tg
