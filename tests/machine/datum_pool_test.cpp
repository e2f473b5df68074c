// Shared cells and the cell pool: references see each other's changes, dropped cells are
// reused, and the pool may end before or after the cells.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"

namespace tg {
namespace {

TEST(DatumSharingTest, ReferencesToOneCellSeeEachOthersChanges) {
  DatumRef first = makeInteger4(1);
  EXPECT_TRUE(first.unique());
  DatumRef second = makeInteger4(2);
  second = first;  // its own cell goes, the shared one stays
  {
    const DatumRef third = second;
    EXPECT_EQ(first, third);
    EXPECT_EQ(first.useCount(), 3u);
  }
  EXPECT_EQ(first.useCount(), 2u);
  EXPECT_FALSE(first.unique());

  second->setLong(5);
  EXPECT_EQ(first->getLong(), 5);
  second->addInPlace(*makeInteger4(10));
  EXPECT_EQ(first->getLong(), 15);

  // Replacing one reference leaves the other with the old cell.
  second = second->add(*makeInteger4(1));
  EXPECT_NE(first, second);
  EXPECT_EQ(first->getLong(), 15);
  EXPECT_EQ(second->getLong(), 16);
  EXPECT_TRUE(first.unique());

  DatumRef moved = std::move(first);
  EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): a moved-from reference is empty
  EXPECT_TRUE(moved.unique());
  moved = moved;  // self-assignment keeps the cell
  EXPECT_EQ(moved->getLong(), 15);
  moved.drop();
  EXPECT_FALSE(moved);
  EXPECT_EQ(moved.useCount(), 0u);
}

TEST(DatumPoolTest, DroppedCellsAreReusedWithoutNewAllocations) {
  // Warm up: enough cells on the free list for the loop below.
  {
    std::vector<DatumRef> warm;
    for (int i = 0; i < 8; ++i)
      warm.push_back(makeInteger4(i));
  }
  const DatumPoolStatistics before = DatumPool::statistics();
  DatumRef accumulator = makeInteger4(0);
  const DatumRef one = makeInteger4(1);
  int smaller = 0;
  for (int i = 0; i < 1000; ++i) {
    accumulator = accumulator->add(*one);
    smaller += accumulator->lessThan(*one)->getByte();
    accumulator = makeDouble(accumulator->getDouble())->multiply(*one);
  }
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_EQ(smaller, 0);
  EXPECT_EQ(after.cellAllocations, before.cellAllocations);
  EXPECT_GE(after.reuses - before.reuses, 4000u);
  EXPECT_EQ(after.liveCells - before.liveCells, 2);  // accumulator and one
  EXPECT_EQ(accumulator->getDouble(), 1000.0);
}

TEST(DatumPoolTest, TextBlocksStayWithTheirCells) {
  { const DatumRef warm = makeAscii("warm"); }
  const DatumPoolStatistics before = DatumPool::statistics();
  for (int i = 0; i < 100; ++i) {
    const DatumRef text = makeAscii("some text");
    text->setSize(Array<std::string>(1, {",", ";"}));
    const DatumRef joined = text->add(*text);
  }
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_LE(after.textAllocations - before.textAllocations, 1u);

  // A reused text cell starts fresh.
  const DatumRef again = makeAscii();
  EXPECT_TRUE(again->isVariableLength());
  EXPECT_EQ(again->getString(), "");
  EXPECT_EQ(again->getOffset(), 0);
}

TEST(DatumPoolTest, TrimFreesTheIdleCells) {
  {
    std::vector<DatumRef> cells;
    for (int i = 0; i < 50; ++i)
      cells.push_back(makeDouble(i));
  }
  const DatumPoolStatistics before = DatumPool::statistics();
  EXPECT_GE(before.idleCells, 50u);
  DatumPool::trim();
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_EQ(after.idleCells, 0u);
  EXPECT_EQ(after.cellFrees - before.cellFrees, before.idleCells);
  const DatumRef fresh = makeInteger2(3);
  EXPECT_EQ(DatumPool::statistics().cellAllocations, after.cellAllocations + 1);
}

TEST(DatumPoolTest, TheIdleListIsBounded) {
  DatumPool::trim();
  {
    std::vector<DatumRef> cells;
    for (std::size_t i = 0; i < DatumPool::kMaxIdleCells + 100; ++i)
      cells.push_back(makeUnsignedInteger());
  }
  EXPECT_EQ(DatumPool::statistics().idleCells, DatumPool::kMaxIdleCells);
  DatumPool::trim();
}

// Cells may cross threads: each thread's pool frees its idle cells when the thread ends, and a
// cell made on one thread may be dropped on another. The sanitizers check for leaks and for use
// after free.
TEST(DatumPoolTest, ThreadsEndWithoutLeaks) {
  DatumRef shared = makeAscii("from the main thread");
  std::thread worker([moved = std::move(shared)]() mutable {
    std::vector<DatumRef> cells;
    for (int i = 0; i < 100; ++i)
      cells.push_back(makeInteger4(i)->add(*makeInteger4(1)));
    EXPECT_EQ(cells.back()->getLong(), 100);
    EXPECT_EQ(moved->getString(), "from the main thread");
    cells.clear();
    moved.drop();  // given back to this thread's pool, freed when it ends
    EXPECT_GE(DatumPool::statistics().idleCells, 100u);
  });
  worker.join();
  EXPECT_FALSE(shared);  // NOLINT(bugprone-use-after-move)
}

// A cell still held by a static object when the program ends outlives the pool: it is freed by
// its last reference instead.
TEST(DatumPoolTest, StaticCellsOutliveThePool) {
  static DatumRef survivor = makeAscii("kept to the end");
  static DatumRef number = makeInteger4(5);
  EXPECT_EQ(survivor->getString(), "kept to the end");
  EXPECT_EQ(number->getLong(), 5);
}

}  // namespace
}  // namespace tg
