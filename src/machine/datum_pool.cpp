// The per-thread pool of value cells.
//
// The hot path (take a cell, give one back) lives inline in datum.hpp and touches only a
// trivially constructed thread-local record. The first visit to the slow path arms a
// thread-local reaper whose destructor closes the pool and frees its idle cells when the thread
// ends; cells given back after that (by static objects destroyed later) go straight back to the
// heap. So the pool and the cells may end in any order.
#include "machine/datum.hpp"

namespace tg {

namespace datum_detail {

constinit thread_local PoolState t_pool{};

}  // namespace datum_detail

namespace {

struct PoolReaper {
  ~PoolReaper() {
    datum_detail::t_pool.status = datum_detail::PoolStatus::closed;
    DatumPool::trim();
  }
};

void armPool() {
  datum_detail::PoolState& pool = datum_detail::t_pool;
  if (pool.status != datum_detail::PoolStatus::unarmed) return;
  static thread_local PoolReaper reaper;
  (void)reaper;
  pool.status = datum_detail::PoolStatus::open;
}

}  // namespace

TessaglyphDatum::~TessaglyphDatum() {
  delete m_text;
}

TessaglyphDatum* DatumPool::takeFromHeap() {
  armPool();
  ++datum_detail::t_pool.cellAllocations;
  return new TessaglyphDatum();
}

void DatumPool::giveBackSlowly(TessaglyphDatum* cell) noexcept {
  datum_detail::PoolState& pool = datum_detail::t_pool;
  --pool.liveCount;
  armPool();
  if (pool.status != datum_detail::PoolStatus::open || pool.idleCount >= kMaxIdleCells) {
    delete cell;
    ++pool.cellFrees;
    return;
  }
  // A text block that grew large is not worth keeping at its size.
  if (cell->m_text && cell->m_text->text.capacity() > kMaxKeptTextCapacity) {
    std::string().swap(cell->m_text->text);
  }
  cell->m_value.nextIdle = pool.idle;
  pool.idle = cell;
  ++pool.idleCount;
}

DatumPoolStatistics DatumPool::statistics() noexcept {
  const datum_detail::PoolState& pool = datum_detail::t_pool;
  DatumPoolStatistics result;
  result.cellAllocations = pool.cellAllocations;
  result.cellFrees = pool.cellFrees;
  result.textAllocations = pool.textAllocations;
  result.reuses = pool.reuses;
  result.idleCells = pool.idleCount;
  result.liveCells = pool.liveCount;
  return result;
}

void DatumPool::trim() noexcept {
  datum_detail::PoolState& pool = datum_detail::t_pool;
  TessaglyphDatum* cell = pool.idle;
  while (cell) {
    TessaglyphDatum* next = cell->m_value.nextIdle;
    delete cell;
    ++pool.cellFrees;
    cell = next;
  }
  pool.idle = nullptr;
  pool.idleCount = 0;
}

}  // namespace tg
