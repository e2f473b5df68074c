// The cell pool: dropped cells are reused, and the pool may end before or after the cells.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"

namespace tg {
namespace {

// Dropped cells and text blocks are reused: no allocation once warm; a reused text starts fresh.
TEST(CellPool, DroppedCellsAreReused) {
  {
    std::vector<DatumRef> warm;
    for (int i = 0; i < 16; ++i)
      warm.push_back(makeAscii("warm"));
  }
  const DatumPoolStatistics before = DatumPool::statistics();
  DatumRef accumulator = makeInteger4(0);
  const DatumRef one = makeInteger4(1);
  for (int i = 0; i < 1000; ++i) {
    accumulator = makeDouble(accumulator->add(*one)->getDouble())->multiply(*one);
    const DatumRef text = makeAscii("some text");
    text->setSize(Array<std::string>(1, {",", ";"}));
  }
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_GIVES(accumulator, "D:1000");
  EXPECT_EQ(after.cellAllocations, before.cellAllocations);
  EXPECT_EQ(after.textAllocations, before.textAllocations);
  EXPECT_GE(after.reuses - before.reuses, 4000u);
  EXPECT_EQ(after.liveCells - before.liveCells, 2);  // accumulator and one
  const DatumRef again = makeAscii();
  EXPECT_GIVES(test::show(again) + (again->isVariableLength() ? " variable" : ""), "T: variable");
}

// Trim frees the idle cells; the idle list is bounded.
TEST(CellPool, IdleCells) {
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
  {
    std::vector<DatumRef> cells;
    for (std::size_t i = 0; i < DatumPool::kMaxIdleCells + 100; ++i)
      cells.push_back(makeUnsignedInteger());
  }
  EXPECT_EQ(DatumPool::statistics().idleCells, DatumPool::kMaxIdleCells);
  DatumPool::trim();
}

// Cells cross threads and outlive the pool in statics; sanitizers check leaks and use after free.
TEST(CellPool, ThreadsAndStaticCellsEndWithoutLeaks) {
  DatumRef shared = makeAscii("from the main thread");
  std::thread worker([moved = std::move(shared)]() mutable {
    std::vector<DatumRef> cells;
    for (int i = 0; i < 100; ++i)
      cells.push_back(makeInteger4(i)->add(*makeInteger4(1)));
    EXPECT_GIVES(cells.back(), "L:100");
    EXPECT_GIVES(moved, "T:from the main thread");
    cells.clear();
    moved.drop();
    EXPECT_GE(DatumPool::statistics().idleCells, 100u);
  });
  worker.join();
  static DatumRef survivor = makeAscii("kept to the end");
  EXPECT_GIVES(survivor, "T:kept to the end");
}

}  // namespace
}  // namespace tg
