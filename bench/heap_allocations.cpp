// Counting every allocation of the benchmark program; the counter is relaxed, so it costs next
// to nothing beside the allocation itself.
#include "heap_allocations.hpp"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_heapAllocations{0};
}  // namespace

std::size_t heapAllocations() noexcept {
  return g_heapAllocations.load(std::memory_order_relaxed);
}

// GCC takes the malloc/free pair behind replaced operators for a mismatch once they are inlined
// into a caller.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  g_heapAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
#pragma GCC diagnostic pop
