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

class IndexStoreTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;

  IndexTablePaths paths() const {
    return {folder.folder() + "hfsrcidx.dbf", folder.folder() + "hfscript.dbf",
            folder.folder() + "hfrmdesc.dbf"};
  }
  static SourceRow row(int i) {
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
  std::string integrity() const {
    sqlite3* db = nullptr;
    sqlite3_open((folder.folder() + "tessaglyph-index.db").c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    std::string result = sqlite3_step(stmt) == SQLITE_ROW
                             ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))
                             : "no answer";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
  }
  // Runs `work` in a child process that leaves through _exit.
  template <typename Work>
  pid_t child(Work work) {
    const pid_t pid = fork();
    if (pid == 0) {
      int status = 0;
      try {
        work();
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
    return pid;
  }
};

TEST_F(IndexStoreTest, BoundsQueriesFindTheRowsThatMeetTheRectangle) {
  auto store = openSqliteIndexStore(paths());
  for (int i = 0; i < 100; ++i)
    store->addSource(row(i));
  store->deleteSource(0);
  // Rows i with west = -100 + i % 50, south = 30 + i % 20; 1x1 degree each.
  const std::vector<Long> found = store->sourcesMeeting(34.5, -95.5, 34.2, -95.2);
  std::vector<Long> expected;
  for (int i = 1; i < 100; ++i) {
    const SourceRow r = row(i);
    if (r.westLon <= -95.2 && r.eastLon >= -95.5 && r.southLat <= 34.5 && r.northLat >= 34.2) {
      expected.push_back(i - 1);
    }
  }
  EXPECT_EQ(found, expected);
  EXPECT_FALSE(found.empty());
  // A corner that touches counts: row 1 (now record 0) spans -99..-98 and 31..32; row 0,
  // which spanned -100..-99 and 30..31, is gone.
  EXPECT_EQ(store->sourcesMeeting(31, -99, 31, -99), (std::vector<Long>{0}));
}

TEST_F(IndexStoreTest, AKilledWriterLeavesTheDatabaseWholeWithEveryCommittedRow) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t writer = child([&] {
    close(pipeEnds[0]);
    auto store = openSqliteIndexStore(paths());
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
  int status = 0;
  waitpid(writer, &status, 0);
  close(pipeEnds[0]);
  ASSERT_GE(committed, 200);

  EXPECT_EQ(integrity(), "ok");
  auto store = openSqliteIndexStore(paths());
  const Long count = store->sourceCount();
  EXPECT_GE(count, committed + 1);
  for (Long n = 0; n < count; ++n)
    ASSERT_EQ(store->source(n).sourceFile, row(int(n)).sourceFile);
  EXPECT_TRUE(store->addSource(row(100000)));
  EXPECT_EQ(store->sourceCount(), count + 1);
}

TEST_F(IndexStoreTest, TwoProcessesIndexingAtOnceLoseNoRowAndAddNoneTwice) {
  openSqliteIndexStore(paths());  // the tables exist before the race starts
  auto indexRange = [&](int first, int last) {
    return child([&, first, last] {
      auto store = openSqliteIndexStore(paths());
      for (int i = first; i < last; ++i)
        store->addSource(row(i));
      if (store->sourceCount() < last - first) throw 1;
    });
  };
  const pid_t a = indexRange(0, 300);
  const pid_t b = indexRange(150, 450);
  for (pid_t pid : {a, b}) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto store = openSqliteIndexStore(paths());
  ASSERT_EQ(store->sourceCount(), 450);
  std::set<std::string> names;
  store->forEachSource([&](const SourceRow& r) { names.insert(r.sourceFile); });
  EXPECT_EQ(names.size(), 450u);
  EXPECT_EQ(integrity(), "ok");
}

TEST_F(IndexStoreTest, RowsAddedByAnotherConnectionAreSeen) {
  auto mine = openSqliteIndexStore(paths());
  auto theirs = openSqliteIndexStore(paths());
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
